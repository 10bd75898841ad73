 org $f000
 lda #1
 end
