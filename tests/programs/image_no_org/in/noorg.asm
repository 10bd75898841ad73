	lda	#1
	nop
	end
