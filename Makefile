# A thin front for CMake: `make`, `make demo`, `make check`, `make install`.
#   BUILD=dir       build folder (default: build)
#   PREFIX=dir      where `make install` puts bin/bankcut (default: /usr/local)
#   WERROR=ON       treat warnings as errors
#   SANITIZE=ON     build with AddressSanitizer and UndefinedBehaviorSanitizer
#   CXX=clang++     the compiler (read when BUILD is configured first)

BUILD ?= build
PREFIX ?= /usr/local
WERROR ?= OFF
SANITIZE ?= OFF

.PHONY: all configure demo check bench install clean

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

clean:
	rm -rf $(BUILD)
