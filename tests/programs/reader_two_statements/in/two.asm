	org	$F000
LOOP: lda #1
        fcc /A:B/
 bra LOOP: nop
 end: this is not read
this is not read either
