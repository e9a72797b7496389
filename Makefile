# The two commands: `make run` plays the game, `make test` builds and runs every test headless.
.PHONY: run test test-full build bench lint format clean fuzz windows soak package-check

run:
	@scripts/ensure-packages.sh run
	@cmake --preset default >/dev/null
	@cmake --build --preset default --target puckwind
	@scripts/run-game.sh build/default/src/app/puckwind

build:
	@scripts/ensure-packages.sh build
	cmake --preset default
	cmake --build --preset default

# Fastest first: unit and replay tests of the release build, the same under ASan + UBSan, the
# real game under Xvfb (and one short run of its sanitizer build), the Windows build under Wine,
# then the browser build under node and in headless Chromium. A test that did not run fails the
# run (scripts/ctest-no-skips.sh). Ends with the size of the tests against the code.
CTEST = scripts/ctest-no-skips.sh
test:
	@scripts/ensure-packages.sh test
	cmake --preset default
	cmake --build --preset default
	@scripts/check-labels.sh build/default
	$(CTEST) --preset default -L unit
	cmake --preset asan
	cmake --build --preset asan
	$(CTEST) --preset asan -L unit
	$(CTEST) --preset default -L e2e
	$(CTEST) --preset asan -L e2e
	$(MAKE) --no-print-directory windows
	$(CTEST) --preset windows
	$(MAKE) --no-print-directory web
	$(CTEST) --preset web
	@scripts/test-size.sh

# Everything of `make test`, then the packages reviewed, the long runs: the whole match played
# end to end, the 2,000-match soak, the platform's threads under ThreadSanitizer, and each fuzzer
# for FUZZ_SECONDS.
test-full: test
	$(MAKE) --no-print-directory package-check
	$(CTEST) --preset full
	cmake --preset tsan
	cmake --build --preset tsan
	$(CTEST) --preset tsan
	$(MAKE) --no-print-directory fuzz

# The .deb and the tar.gz made by CPack, reviewed as a distributor would: lintian clean, the
# manual pages, the notices, the programs hardened (tests/packaging/package_check.sh).
package-check:
	@scripts/ensure-packages.sh package
	cmake --preset default
	cmake --build --preset default
	cd build/default && cpack
	tests/packaging/package_check.sh build/default

bench:
	@scripts/ensure-packages.sh test
	cmake --preset default
	cmake --build --preset default --target all benchmarks
	scripts/run-benchmarks.sh build/default

# The WAVE and BMP readers and the endpoint's request decoder under libFuzzer for FUZZ_SECONDS
# each (clang); new inputs are kept in fuzz-out/.
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/ensure-packages.sh test
	cmake --preset fuzz
	cmake --build --preset fuzz
	mkdir -p fuzz-out/wave
	build/fuzz/tests/fuzz/puckwind-fuzz-wave -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  fuzz-out/wave tests/fuzz/corpus/wave resources
	mkdir -p fuzz-out/bmp
	build/fuzz/tests/fuzz/puckwind-fuzz-bmp -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  fuzz-out/bmp tests/fuzz/corpus/bmp resources
	mkdir -p fuzz-out/endpoint
	build/fuzz/tests/fuzz/puckwind-fuzz-endpoint -max_total_time=$(FUZZ_SECONDS) -max_len=64 \
	  fuzz-out/endpoint tests/fuzz/corpus/endpoint

# Ten minutes of the real game under Xvfb played by the scripted mouse: memory, errors, timing.
SOAK_SECONDS ?= 600
soak:
	@scripts/ensure-packages.sh test
	cmake --preset default
	cmake --build --preset default
	scripts/soak.sh build/default $(SOAK_SECONDS)

lint:
	cmake --preset default
	git ls-files 'src/*.cpp' 'tools/*.cpp' | xargs clang-tidy -p build/default --quiet

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# The browser build: SDL2 and Dear ImGui built with Emscripten from Debian's sources (once per
# machine, into the cache that scripts/build-web-deps.sh names), then build/web/puckwind.html,
# .js and .wasm, and puckwind-sim.js for node. Any static server serves build/web
# (python3 -m http.server -d build/web). As for Windows, other libraries mean a fresh tree.
.PHONY: web
web:
	@scripts/ensure-packages.sh web
	prefix=$$(scripts/build-web-deps.sh) && \
	  fresh=$$(grep -qx "PUCKWIND_WEB_PREFIX:[A-Z]*=$$prefix" build/web/CMakeCache.txt \
	           2>/dev/null || echo --fresh) && \
	  cmake --preset web $$fresh -DPUCKWIND_WEB_PREFIX="$$prefix"
	cmake --build --preset web

# The browser build's figures (file sizes; the sim under node beside native) into BENCHMARKS.md.
.PHONY: web-bench
web-bench: web
	cmake --build --preset web --target sim_rate
	cmake --preset default >/dev/null
	cmake --build --preset default --target sim_rate
	scripts/web-benchmarks.sh

# The Windows zip, cross-built: SDL2, libepoxy, FreeType and Dear ImGui from Debian's sources (built
# once per machine into a cache that scripts/build-windows-deps.sh names), then the game and its
# tools; build/windows/stage holds the zip's contents for the Wine tests. A tree configured with
# other libraries starts afresh, since CMake's cache keeps what pkg-config found.
windows:
	@scripts/ensure-packages.sh windows
	prefix=$$(scripts/build-windows-deps.sh) && \
	  fresh=$$(grep -qx "PUCKWIND_WINDOWS_PREFIX:[A-Z]*=$$prefix" build/windows/CMakeCache.txt \
	           2>/dev/null || echo --fresh) && \
	  cmake --preset windows $$fresh -DPUCKWIND_WINDOWS_PREFIX="$$prefix"
	cmake --build --preset windows
	rm -rf build/windows/stage
	cmake --install build/windows --prefix build/windows/stage --strip
	cd build/windows && cpack
