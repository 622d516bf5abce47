// A program built for the Pentium Pro, which the instruction check must refuse.
// Each function below holds one kind of instruction that a Pentium lacks; the
// compiler makes the first two for this processor, the others are written out.
// PentiumOnly holds the Pentium's own instructions only and must pass.

extern "C" {

__attribute__((noinline)) int LargerOf(int a, int b) { return a > b ? a : b; }
__attribute__((noinline)) int IsBelow(double a, double b) { return a < b; }

void LongNop();
void MmxReset();
void SseFence();
void PentiumOnly();

}  // extern "C"

asm(".text\n"
    ".globl _LongNop\n_LongNop:\n  nopl 0(%eax)\n  ret\n"
    ".globl _MmxReset\n_MmxReset:\n  emms\n  ret\n"
    ".globl _SseFence\n_SseFence:\n  sfence\n  ret\n"
    ".globl _PentiumOnly\n_PentiumOnly:\n  push %ebx\n  cpuid\n  rdtsc\n  bswap %eax\n  xadd %eax, %ecx\n"
    "  cmpxchg8b (%esp)\n  fucompp\n  pause\n  nop\n  lea 0(%esi), %esi\n  pop %ebx\n  ret\n");

int main(int argc, char**) {
    void (*const kept[])() = {LongNop, MmxReset, SseFence, PentiumOnly};
    return LargerOf(argc, 2) + IsBelow(argc, 1.5) + (kept[argc % 4] != nullptr);
}
