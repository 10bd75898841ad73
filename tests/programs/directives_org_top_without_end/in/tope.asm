	org	?
a1	nop
a2	nop
