# A thin front for CMake: `make`, `make demo`, `make check`, `make install`.
#   BUILD=dir       build folder (default: build)
#   PREFIX=dir      where `make install` puts bin/bankcut (default: /usr/local)
#   WERROR=ON       treat warnings as errors
#   SANITIZE=ON     build with AddressSanitizer and UndefinedBehaviorSanitizer
#   CXX=clang++     the compiler (read when BUILD is configured first)
#   BUILD_WIN=dir   build folder of `make windows` (default: build-win)
#   BUILD_FUZZ=dir  build folder of `make fuzz` (default: build-fuzz)

BUILD ?= build
PREFIX ?= /usr/local
WERROR ?= OFF
SANITIZE ?= OFF

.PHONY: all configure demo check bench install clean windows check-windows lint fuzz fuzz-build soak

all: configure
	cmake --build $(BUILD)

configure:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(CXX) \
		-DBANKCUT_WERROR=$(WERROR) -DBANKCUT_SANITIZE=$(SANITIZE) >/dev/null

# Splits the bundled example bank into a fresh folder and lists what it wrote.
demo: all
	rm -rf $(BUILD)/demo
	mkdir -p $(BUILD)/demo
	cd $(BUILD)/demo && $(abspath $(BUILD))/bankcut $(CURDIR)/examples/demo $(CURDIR)/examples/demo
	@echo
	ls -l $(BUILD)/demo

check: all
	ctest --test-dir $(BUILD) --output-on-failure

# Speed and memory on generated banks (BENCH_MIB MiB samples, BENCH_COUNT of them).
BENCH_MIB ?= 64
BENCH_COUNT ?= 8
bench: configure
	cmake --build $(BUILD) --target bankcut_bench
	$(BUILD)/bankcut_bench $(BENCH_MIB) $(BENCH_COUNT)

install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

# bankcut.exe for 64-bit Windows, cross-built with MinGW-w64 into BUILD_WIN.
BUILD_WIN ?= build-win
windows:
	cmake -S . -B $(BUILD_WIN) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
		-DBANKCUT_TESTS=OFF -DBANKCUT_WERROR=$(WERROR) >/dev/null
	cmake --build $(BUILD_WIN)

# The command-line tests once more, against bankcut.exe under Wine, in a
# Wine prefix of their own that is made first and removed afterwards.
check-windows: all windows
	BUILD=$(BUILD) BUILD_WIN=$(BUILD_WIN) tests/wine/check

# The randomized end-to-end check, for as many cases as SOAK_SECONDS allows
# (make check runs a few hundred). A case that differs prints its seed.
SOAK_SECONDS ?= 600
soak: all
	BANKCUT_SOAK_SECONDS=$(SOAK_SECONDS) $(BUILD)/tests/cli_tests --gtest_filter='Randomized.*'

# The libFuzzer targets under fuzz/, built by clang into BUILD_FUZZ, each run
# for FUZZ_SECONDS.
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = name_list names bank_entry
fuzz: fuzz-build
	tools/fuzz $(BUILD_FUZZ) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-build:
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DBANKCUT_FUZZ=ON -DBANKCUT_TESTS=OFF -DBANKCUT_WERROR=$(WERROR) >/dev/null
	cmake --build $(BUILD_FUZZ)

# clang-format, clang-tidy and cppcheck over both builds.
lint: all windows fuzz-build
	BUILD=$(BUILD) BUILD_WIN=$(BUILD_WIN) BUILD_FUZZ=$(BUILD_FUZZ) tools/lint

clean:
	rm -rf $(BUILD) $(BUILD_WIN) $(BUILD_FUZZ)
