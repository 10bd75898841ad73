first
top	org	?
next	nop
	end
