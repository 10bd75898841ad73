* error numbers on the console
	org	$F000
	lda	fwd
next	nop
	lda	undef
	sta	#undef2
	xyz
	bra	far
	std	#5
	sts	#5
	pshs	a,q
	tfr	q,r
fwd	equ	$20
	rmb	$100
far	nop
	end
