	fcb	$5A
	end
