	nop
	nopÿ	fcb	1
	fcb	2
