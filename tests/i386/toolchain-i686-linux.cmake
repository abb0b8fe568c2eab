# A static 32-bit x86 Linux program built with the host's gcc in multilib
# mode (-m32), with the code generation of the 32-bit DLL.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

include(${CMAKE_CURRENT_LIST_DIR}/../../windows/i686-codegen.cmake)
set(CMAKE_C_FLAGS_INIT "-m32 ${QUILLON_I686_CODEGEN_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-m32 ${QUILLON_I686_CODEGEN_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
