# Thin wrapper over the CMake presets.
.PHONY: all deps build demo test release asan clean wine-test-if-possible

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release

demo: build
	@cd examples && ../build/release/linter demo.bgt

release: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release
	@ctest --preset release -j2

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan -j2

# The whole suite: native release and sanitizer runs, a short fuzz run, the language
# server under real clients, the folder wrappers and editor files, the golden cases and
# transcripts against linter.exe and linter-lsp.exe under Wine, and the release files
# unpacked, each where its packages can be installed.
test: release asan fuzz-short lsp-clients-test lint-all-test editors-test \
	wine-test-if-possible dist-test-if-possible

wine-test-if-possible:
	@if scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64; then \
	  $(MAKE) --no-print-directory wine-test; \
	else \
	  echo "wine: skipped, the MinGW-w64 and Wine packages cannot be installed here"; \
	fi

clean:
	rm -rf build dist

# Further targets (bench, fuzz, windows) live beside their tools.
-include mk/*.mk
