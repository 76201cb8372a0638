# The two everyday commands: `make run` builds and starts Tarvolin, `make test` builds and
# runs every test. Both install the Debian packages they miss first.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: run test test-asan bench bench-build fuzz windows-check install package clean

run:
	scripts/install-deps run
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	./build/release/src/tarvolin

test:
	scripts/install-deps test
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(JOBS)

test-asan:
	scripts/install-deps test
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

bench: bench-build
	./build/bench/bench/tarvolin_bench

bench-build:
	scripts/install-deps bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)

fuzz:
	scripts/install-deps fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	fuzz/run-all build/fuzz/fuzz $(FUZZ_SECONDS)

# The folder lock's Windows branch, compiled for Windows so that it cannot rot (not run).
windows-check:
	scripts/install-deps windows
	x86_64-w64-mingw32-g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only \
		-Isrc src/settings/folder_lock.cpp

install:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cmake --install build/release

# A Debian package of the optimised build, in build/package; lintian checks it when installed.
package:
	scripts/install-deps package
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cpack --config build/release/CPackConfig.cmake -B build/package
	if command -v lintian >/dev/null; then lintian build/package/tarvolin_*.deb; fi

clean:
	rm -rf build
