	org	$0000
	end
