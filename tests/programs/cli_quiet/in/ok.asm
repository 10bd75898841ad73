 org $e000
 nop
 end
