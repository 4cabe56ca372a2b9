# ScanDesk's single entry point. `make test` installs what is missing, builds and runs
# every test; `make demo` scans three pages from the virtual scanner into one PDF.
# Each target installs only the tier of Debian packages it needs (scripts/install-deps).
JOBS ?= $(shell nproc)
# ccache hits across clones of the repository (CI builds a fresh clone).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
CTEST_ARGS ?=

.PHONY: all deps deps-build deps-test deps-bench deps-fuzz configure build test test-sanitize debug bench \
	gui demo demo-gui package fuzz clean format

all: build

deps:
	@scripts/install-deps all

deps-build:
	@scripts/install-deps build

deps-test:
	@scripts/install-deps test

deps-bench:
	@scripts/install-deps bench

deps-fuzz:
	@scripts/install-deps fuzz

configure:
	@cmake --preset release >/dev/null

build: configure
	@cmake --build --preset release -j $(JOBS)

test: deps-test build
	@ctest --preset release -j $(JOBS) $(CTEST_ARGS)

test-sanitize: deps-test
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	@ctest --preset sanitize -j $(JOBS) $(CTEST_ARGS)

debug: deps-test
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug -j $(JOBS)

bench: deps-bench build
	@scripts/run-benchmarks

gui: deps-build build
	@build/release/src/ui/scandesk

# Builds only the two programs it runs.
demo: deps-build
	@JOBS=$(JOBS) scripts/demo

# The window and the virtual scanner in a private network namespace; builds what it runs.
demo-gui: deps-build
	@JOBS=$(JOBS) scripts/demo-gui

# Debian packages of the release build in build/packages.
package: deps-build build
	@cpack --config build/release/CPackConfig.cmake -B build/packages

# Fuzzes every parser for FUZZ_SECONDS each (default 60) with clang's libFuzzer.
fuzz: deps-fuzz
	@scripts/fuzz

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
