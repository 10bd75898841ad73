	org	$F000
	lda	fwd
	rmb	1
	nop
fwd	equ	$20
	end
