 nop
 end
