	org	$F000
X	equ	UNDEF
Y	=	5
	equ	7
buf	rmb	4
	lda	#Y
	ldx	#X
	ldx	#buf
	end
