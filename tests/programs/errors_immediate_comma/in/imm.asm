	org	$F000
	lda	#1,x
	sta	#5,x
	ldd	#$1234,y
	ldy	#2,x
	std	#3,x
	lda	#1
	end
