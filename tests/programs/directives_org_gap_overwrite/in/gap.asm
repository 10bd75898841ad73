START	org	$1000
	fcb	1,2,3
	org	$1010
HERE	fcb	$AA
BACK	org	$1001
	fdb	START,HERE
	fdb	BACK
	end
