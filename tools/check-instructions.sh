#!/usr/bin/env bash
# Checks that every instruction in a 32-bit Windows program's code belongs to the
# Pentium's (i586) set, so that the program runs on a Pentium, Pentium MMX, K6,
# Cyrix 6x86 or WinChip: no cmov, fcmov, fcomi or fucomi (Pentium Pro), no
# multi-byte nop, MMX, SSE or later. Names the function of each instruction
# beyond the set from the link map (the program itself is stripped).
#   check-instructions.sh EXE MAP
set -euo pipefail
exe=${1:?executable}; map=${2:?link map}
objdump=i686-w64-mingw32-objdump

# The map must describe this very image: its .text where the image has it.
read -r text_vma text_size < <("$objdump" -h "$exe" | awk '$2 == ".text" { print "0x" $4, "0x" $3 }')
read -r map_vma map_size < <(awk '/^\.text / && $2 ~ /^0x/ { print $2, $3; exit }' "$map")
if [ -z "${text_vma:-}" ] || [ -z "${map_vma:-}" ] ||
   [ $((text_vma)) -ne $((map_vma)) ] || [ $((text_size)) -gt $((map_size)) ]; then
  echo "$map does not describe $exe (.text at ${text_vma:-?} size ${text_size:-?}, map ${map_vma:-?} size ${map_size:-?})"
  exit 1
fi

# The Pentium's instructions as objdump spells them in Intel syntax: the 386's
# and 486's, cmpxchg8b, cpuid, rdtsc, rdmsr, wrmsr, rsm, and the 387's. A bare
# nop is 0x90; "nop" with an operand is the 0F 1F form of the Pentium Pro.
# pause (F3 90) runs as a nop on processors before the Pentium 4.
allowed='aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts call
cbw cdq clc cld cli clts cmc cmp cmps cmpxchg cmpxchg8b cpuid cwd cwde daa das dec
div enter hlt idiv imul in inc ins int int3 into invd invlpg iret iretd ja jae jb
jbe jc jcxz je jecxz jg jge jl jle jmp jna jnae jnb jnbe jnc jne jng jnge jnl jnle
jno jnp jns jnz jo jp jpe jpo js jz lahf lar lds lea leave les lfs lgdt lgs lidt
lldt lmsw lods loop loope loopne loopnz loopz lsl lss ltr mov movs movsx movzx mul
neg nop not or out outs pause pop popa popad popf popfd push pusha pushad pushf pushfd
pushw rcl rcr rdmsr rdtsc ret retf rol ror rsm sahf sal sar sbb scas seta setae
setb setbe setc sete setg setge setl setle setna setnae setnb setnbe setnc setne
setng setnge setnl setnle setno setnp setns setnz seto setp setpe setpo sets setz
sgdt shl shld shr shrd sidt sldt smsw stc std sti stos str sub test verr verw wait
wbinvd wrmsr xadd xchg xlat xor
f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv
fdivp fdivr fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit
fist fistp fisub fisubr fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi
fldz fmul fmulp fnclex fninit fnop fnsave fnstcw fnstenv fnstsw fpatan fprem
fprem1 fptan frndint frstor fsave fscale fsin fsincos fsqrt fst fstcw fstenv fstp
fstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp fwait fxam fxch fxtract
fyl2x fyl2xp1'

set +e
"$objdump" -d -M intel --no-show-raw-insn "$exe" | awk -v allowed="$allowed" '
  function hex(s,   v, i) {
    s = tolower(s); sub(/^0x/, "", s); v = 0
    for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return v
  }
  # The map, .text part: the input sections of code (.text*) and the symbols
  # in them; everything else placed there (constructor lists, LONG, fill) is data.
  FNR == NR {
    if ($0 ~ /^[^ ]/) { intext = ($1 == ".text"); pending = ""; next }
    if (!intext) next
    if ($0 ~ /^ [^ ]+$/) { pending = $1; next }       # a long name on a line of its own
    if (pending != "" && $0 ~ /^  +0x/) $0 = " " pending " " $0
    pending = ""
    if ($0 ~ /^ [^ ]/ && $2 ~ /^0x/ && $3 ~ /^0x/) {
      from = hex($2); to = from + hex($3)
      if (to == from) next
      if ($1 ~ /^\.text/) {
        c++; cfrom[c] = from; cto[c] = to; cname[c] = $1; cobj[c] = $4
        sub(/^\.text\$/, "", cname[c]); sub(/.*\//, "", cobj[c])
      } else { d++; dfrom[d] = from; dto[d] = to }
      next
    }
    if ($1 ~ /^0x/ && $2 ~ /^0x/) { d++; dfrom[d] = hex($1); dto[d] = dfrom[d] + hex($2); next }
    if ($0 ~ /^  +0x/ && $0 !~ / = /) {
      y++; ystart[y] = hex($1); yname[y] = $0; sub(/^ *0x[0-9a-f]+ +/, "", yname[y])
    }
    next
  }
  BEGIN { split(allowed, list); for (i in list) ok[list[i]] = 1 }
  /^ *[0-9a-f]+:\t/ {
    address = hex(substr($1, 1, length($1) - 1))
    text = $0; sub(/^[^\t]*\t/, "", text)
    # Prefixes are not instructions of their own.
    while (match(text, /^(lock|rep|repz|repnz|repe|repne|data16|addr16|cs|ds|es|fs|gs|ss) /))
      text = substr(text, RLENGTH + 1)
    split(text, word, " ")
    op = word[1]
    if (op == "nop" && text ~ /^nop +[^ ]/) op = "nop(0F1F)"
    if (op in ok && text !~ /[xyz]?mm[0-9]/) next
    # Its function: the last symbol at or before it in its section, else the
    # section; bytes of data among the code are no instructions.
    where = ""
    for (i = 1; i <= c; i++) if (address >= cfrom[i] && address < cto[i]) break
    if (i > c) {
      for (j = 1; j <= d; j++) if (address >= dfrom[j] && address < dto[j]) next
      where = "(no section of the map)"
    } else {
      best = 0
      for (j = 1; j <= y; j++)
        if (ystart[j] >= cfrom[i] && ystart[j] <= address && (best == 0 || ystart[j] >= ystart[best])) best = j
      where = (best ? yname[best] : cname[i]) " [" cobj[i] "]"
    }
    count[where, op]++; places[where] = 1; total++
  }
  END {
    if (!total) exit 0
    print total " instructions beyond the Pentium (i586) set, by function:"
    for (w in places) {
      line = ""
      for (key in count) { split(key, part, SUBSEP); if (part[1] == w) line = line " " part[2] " x" count[key] }
      print "  " w ":" line
    }
    exit 1
  }' "$map" - | i686-w64-mingw32-c++filt
status=${PIPESTATUS[1]}
set -e
[ "$status" -ne 0 ] || echo "every instruction of $(basename "$exe") is in the Pentium (i586) set"
exit "$status"
