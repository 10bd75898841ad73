 org $F000
start lda #$41
 nop
val equ 5
 end
