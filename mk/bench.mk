.PHONY: bench
# Throughput, peak memory and scaling of the release build; see bench/README.md.
bench: build
	@bench/run.sh build/release/linter
