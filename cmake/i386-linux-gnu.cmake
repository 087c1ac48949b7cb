# Toolchain for the 32-bit build: GCC with -m32 against Debian's i386
# multiarch packages. The tests run under qemu-i386, since this machine
# cannot run 32-bit programs directly.
#   cmake -S . -B build/i386 -DCMAKE_TOOLCHAIN_FILE=cmake/i386-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
foreach(kind IN ITEMS EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-m32 -L/usr/lib/i386-linux-gnu")
endforeach()

# pkg-config must see the i386 .pc files, not the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# -L / makes qemu take the i386 loader and libraries from this root.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /)
