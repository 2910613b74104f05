# Thin wrapper over the CMake presets.
.PHONY: all deps build demo test release asan bench fuzz clean

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

test: release asan

clean:
	rm -rf build

# Further targets (bench, fuzz, windows) live beside their tools.
-include mk/*.mk
