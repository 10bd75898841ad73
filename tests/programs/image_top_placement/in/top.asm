	org	?
val	equ	$1004
start	ldx	#val
loop	bra	loop
	fdb	start,loop
	end
