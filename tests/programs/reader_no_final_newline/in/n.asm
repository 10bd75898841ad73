	org	$100
	nop