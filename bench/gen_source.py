#!/usr/bin/env python3
"""Writes a large, realistic MC6809 source to standard output, the same every
time: blocks of code under a label each, using every instruction class, data
tables, reserved space, comments and forward references, for benchmarking.

usage: gen_source.py [STATEMENTS] [LABELS]   (defaults 20000 and 900)
"""
import random
import sys

STATEMENTS = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
LABELS = int(sys.argv[2]) if len(sys.argv) > 2 else 900
rng = random.Random(6809)

EQUS = 20
CODE_LABELS = LABELS - EQUS
# Statements of the fixed frame: header comments, equs, org, the vector, end.
PER_BLOCK = (STATEMENTS - EQUS - 8) // CODE_LABELS

ACC8 = ["adda", "addb", "anda", "andb", "bita", "cmpa", "cmpb", "eora", "lda", "ldb", "ora", "orb",
        "suba", "subb", "adca", "sbcb", "ldaa", "ldab", "oraa"]
STORE8 = ["sta", "stb", "staa", "stab"]
# A clean program draws no warning: "cmpx" where an MC6800 source would have
# cpx, "tfr a,b" for tab, and the other stack named by its own letter.
REG16 = ["addd", "cmpx", "ldd", "ldx", "ldu", "subd", "cmpx"]
STORE16 = ["std", "stx", "stu"]
PREFIXED16 = ["cmpd", "cmps", "cmpu", "cmpy", "lds", "ldy"]
STOREP = ["sts", "sty"]
MEMORY = ["asl", "asr", "clr", "com", "dec", "inc", "lsl", "lsr", "neg", "rol", "ror", "tst"]
INHERENT = ["abx", "asla", "aslb", "asra", "clra", "clrb", "coma", "deca", "decb", "inca", "incb",
            "lsra", "lsrb", "mul", "nop", "nega", "rola", "rorb", "sex", "tsta", "tstb", "daa"]
FIXED = ["tfr a,b", "tfr b,a", "psha", "pshb", "pula", "pulb", "inx", "dex", "clc", "sec", "sei", "cli",
         "aba", "cba", "sba"]
BRANCH = ["bcc", "bcs", "beq", "bge", "bgt", "bhi", "ble", "bls", "blt", "bmi", "bne", "bpl", "bvc", "bvs"]
INDEXED = [",x", ",y+", ",u++", ",-s", "5,x", "-3,y", "20,u", "300,s", "a,x", "b,y", "d,u", "[,x]",
           "[8,y]", "[$2000]"]
PAIRS = ["a,b", "x,y", "d,u", "cc,a", "s,x", "b,dp"]
LISTS = ["a,b,x", "cc,a,b,dp", "x,y,u", "d,pc"]

out = []
emit = out.append


def block_statement(i, label_index):
    """One statement of a code block; sizes stay small so branches reach."""
    k = rng.randrange(100)
    var = "var%d" % rng.randrange(EQUS)
    if k < 12:
        return " %s #%d" % (rng.choice(ACC8), rng.randrange(256))
    if k < 20:
        return " %s %s" % (rng.choice(ACC8 + STORE8), var)
    if k < 26:
        return " %s %s" % (rng.choice(ACC8 + STORE8), rng.choice(INDEXED))
    if k < 31:
        return " %s #$%04X" % (rng.choice(REG16 + PREFIXED16), rng.randrange(0x10000))
    if k < 35:
        return " %s $%04X" % (rng.choice(STORE16 + STOREP), 0x2000 + 2 * rng.randrange(64))
    if k < 40:
        return " %s %s" % (rng.choice(MEMORY), rng.choice(["$40", "$2010", ",x", "4,u", var]))
    if k < 52:
        return " " + rng.choice(INHERENT)
    if k < 58:
        return " " + rng.choice(FIXED)
    if k < 61:
        return " %s %s" % (rng.choice(["tfr", "exg"]), rng.choice(PAIRS))
    if k < 64:
        mnemonic, registers = rng.choice(["pshs", "puls", "pshu", "pulu"]), rng.choice(LISTS)
        if mnemonic in ("pshu", "pulu"):
            registers = registers.replace("u", "s")
        return " %s %s" % (mnemonic, registers)
    if k < 66:
        return " %s #$%02X" % (rng.choice(["andcc", "orcc"]), rng.randrange(256))
    if k < 69:
        return " %s %s" % (rng.choice(["leax", "leay", "leau", "leas"]), rng.choice(INDEXED[:8]))
    if k < 73:  # forward reference to a later block
        target = min(CODE_LABELS - 1, label_index + 1 + rng.randrange(40))
        return " %s blk%d" % (rng.choice(["jsr", "jmp", "lbsr", "lbra", "lbne", "lbeq"]), target)
    if k < 76:  # backward reference
        target = rng.randrange(label_index + 1)
        return " %s blk%d" % (rng.choice(["jsr", "ldx", "lbcs", "lbcc"]), target)
    if k < 79:
        return " fcb %s" % ",".join(str(rng.randrange(256)) for _ in range(rng.randrange(1, 5)))
    if k < 81:
        return " fdb blk%d,$%04X" % (rng.randrange(CODE_LABELS), rng.randrange(0x10000))
    if k < 83:
        return " fcc /%s/" % rng.choice(["READY", "ERROR", "OK", "HELLO WORLD"])
    if k < 85:
        return " ldy %s,pcr" % ("blk%d" % max(0, label_index - rng.randrange(3)))
    if k < 92:
        return "* " + rng.choice(["save the count", "next entry", "loop until done", "check flags"])
    if k < 95:
        return ""
    return " %s #'%s" % (rng.choice(["lda", "cmpb"]), rng.choice("AZ09"))


emit("* generated benchmark source")
emit("* every instruction class, data, forward references")
for v in range(EQUS):
    emit("var%d equ $%02X" % (v, 0x80 + v))
emit(" org $0400")
statements = len(out)
for b in range(CODE_LABELS):
    emit("blk%d lda #%d" % (b, b & 0xFF))
    body = PER_BLOCK - 3
    for i in range(body):
        emit(block_statement(i, b))
    emit(" %s blk%d" % (rng.choice(BRANCH), b))  # back to the block start
    emit(" bra blk%d" % min(b + 1, CODE_LABELS - 1))  # on to the next block
while len(out) < STATEMENTS - 3:
    emit(" nop")
emit(" org $FFFE")
emit(" fdb blk0")
emit(" end")
sys.stdout.write("\n".join(out) + "\n")
