	org	$F000
	fcb	1,2 ; two bytes, one more
	pshs	a,b save, restore
	end
