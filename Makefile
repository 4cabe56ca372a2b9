# ScanDesk's single entry point. `make test` installs what is missing, builds and runs
# every test; `make demo` scans three pages from the virtual scanner into one PDF.
JOBS ?= $(shell nproc)
# ccache hits across clones of the repository (CI builds a fresh clone).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
CTEST_ARGS ?=

.PHONY: all deps configure build test test-sanitize debug bench gui demo clean format

all: build

deps:
	@scripts/install-deps

configure:
	@cmake --preset release >/dev/null

build: configure
	@cmake --build --preset release -j $(JOBS)

test: deps build
	@ctest --preset release -j $(JOBS) $(CTEST_ARGS)

test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	@ctest --preset sanitize -j $(JOBS) $(CTEST_ARGS)

debug: deps
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug -j $(JOBS)

bench: deps build
	@scripts/run-benchmarks

gui: deps build
	@build/release/src/ui/scandesk

demo: deps build
	@scripts/demo

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
