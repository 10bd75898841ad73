	org	$F000
start	lda	#$41
	nop
	xyz
	end
