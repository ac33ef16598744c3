; Asks for a register the device does not have: its answer carries the error marker -05-,
; so the run ends with the error message.
TRANSMIT "R 0310"^M
TRANSMIT "R 9999"^M
