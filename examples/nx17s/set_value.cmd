; Sets the gas temperature (register 0310) to a value the operator enters, then reads it back.
; "^A" separates the command from its value; the value itself goes out as typed (a comma becomes a point).
MESSAGE "Gas temperature in C:****"
GET TEMP 4
TRANSMIT "W 0310"^A
TRANSMIT TEMP
TRANSMIT ""^M
TRANSMIT "R 0310"^M
