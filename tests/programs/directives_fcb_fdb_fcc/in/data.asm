	org	$F000
	fcb	1,2,3,4,5,6,7,8
	fdb	$1234,5
	fdb	1,2,3,4
	fcb
	fdb
	fcb	1, 2
	fdb	$1234,  $5678
	fcb	-1,$1FF,'z
	fcb	1,2 * two bytes, no more
	fcb	'*,1
msg	fcc	/HELLO/
	fcc	/AB
	fcc	AB
	fcc	//
	fcc	/Hi, there/
	fdb	msg,msg+5
	end
