# Code generation of every 32-bit x86 build: the i686 DLL and the static 32-bit
# Linux host that checks the same arithmetic under qemu-i386 (tests/i386).
# SSE2 arithmetic gives the same double results as the 64-bit builds (x87
# would keep 80-bit intermediates), and the stack is realigned on entry
# because 32-bit callers keep it only 4-byte aligned. SSE2 is therefore
# required on 32-bit.
set(QUILLON_I686_CODEGEN_FLAGS "-msse2 -mfpmath=sse -mstackrealign")
