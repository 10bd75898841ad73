	org	$F000
	nop
	org	$E000
	nop
	end
