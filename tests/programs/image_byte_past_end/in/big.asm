	org	$0000
	rmb	$FFFE
	fcb	1,2,3
	nop
	rmb	16
	end
