 org $e000
 ldx #$1234
 end
