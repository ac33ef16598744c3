; Reads the gas temperature (register 0310) and the pressure (register 0200).
TRANSMIT "R 0310"^M
PAUSE 1 ; give the device a moment
TRANSMIT "R 0200"^M
