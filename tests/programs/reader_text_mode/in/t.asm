	org	$F000
start	lda	#$41
	nop
	never read
	fcb	1
