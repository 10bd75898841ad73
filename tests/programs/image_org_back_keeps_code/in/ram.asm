	org	$E000
start	lda	#1
	ldx	#flag
	bra	start
	fdb	start
	org	$0000
count	rmb	2
flag	rmb	1
	end
