 org $E000
start lda #1
 bra start
 end
