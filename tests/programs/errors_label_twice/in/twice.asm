	org	$F000
	bra	dup
dup	nop
	bra	dup
dup	nop
	bra	dup
	end
