	nop
	end
