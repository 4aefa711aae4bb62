# Every outside library and tool the build uses, found once here; the folders below link the
# imported targets only. Debian 12 packages: scripts/setup.sh installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_package(nlohmann_json REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg WebEngineWidgets Test)

# GLOBAL so that every folder sees the same PkgConfig:: target.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
pkg_check_modules(LIBGSF REQUIRED IMPORTED_TARGET GLOBAL libgsf-1)
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET GLOBAL sqlite3)
# The page host asks the analysers whether a word is English or Spanish.
pkg_check_modules(LTTOOLBOX REQUIRED IMPORTED_TARGET GLOBAL lttoolbox libxml-2.0 icu-uc icu-io)
