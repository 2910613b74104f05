# Fuzzing with libFuzzer (Clang). `make fuzz` runs fuzz_pipeline for FUZZ_TIME seconds
# on a corpus that grows from run to run; `make fuzz-properties` and `make fuzz-lsp` do
# the same for fuzz_properties and for the language server's message loop; `make
# fuzz-short` runs each for FUZZ_SHORT_TIME seconds from the seeds alone, so that its
# length does not grow with the corpus. A finding is written to build/fuzz/artifacts/
# and fails the target.
.PHONY: fuzz fuzz-short fuzz-properties fuzz-lsp fuzz-build fuzz-corpus

FUZZ_TIME ?= 600
FUZZ_SHORT_TIME ?= 30
FUZZ_DIR := build/fuzz
FUZZ_CORPUS := $(FUZZ_DIR)/corpus
FUZZ_ARTIFACTS := $(FUZZ_DIR)/artifacts/
# Inputs past a few KiB only slow the search; big inputs are tests/hostile's business.
FUZZ_FLAGS ?= -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
  -artifact_prefix=$(FUZZ_ARTIFACTS)
FUZZ_PIPELINE_FLAGS = $(FUZZ_FLAGS) -dict=fuzz/bgt.dict
# Each byte is one grammar choice: let inputs be long from the start.
FUZZ_PROPERTIES_FLAGS = $(FUZZ_FLAGS) -max_len=2048 -len_control=0
FUZZ_LSP_FLAGS = $(FUZZ_FLAGS) -dict=fuzz/lsp.dict

fuzz-build: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINTER_FUZZ=ON -DLINTER_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) --target fuzz_pipeline fuzz_properties fuzz_lsp

# Seeds: every golden case script, the examples and fuzz/seeds, under unique names.
fuzz-corpus:
	@mkdir -p $(FUZZ_CORPUS)/seeds $(FUZZ_CORPUS)/pipeline $(FUZZ_CORPUS)/properties \
	  $(FUZZ_CORPUS)/lsp-seeds $(FUZZ_CORPUS)/lsp $(FUZZ_ARTIFACTS)
	@for f in tests/lsp/transcripts/*/input; do \
	  cp "$$f" "$(FUZZ_CORPUS)/lsp-seeds/$$(echo "$$f" | tr '/' '_')"; \
	done
	@for f in tests/cases/*/*.bgt examples/*.bgt fuzz/seeds/*.bgt; do \
	  [ -f "$$f" ] || continue; \
	  cp "$$f" "$(FUZZ_CORPUS)/seeds/$$(echo "$$f" | tr '/' '_')"; \
	done
	@cp $(FUZZ_CORPUS)/seeds/* $(FUZZ_CORPUS)/pipeline/

fuzz: fuzz-build fuzz-corpus
	$(FUZZ_DIR)/fuzz/fuzz_pipeline $(FUZZ_PIPELINE_FLAGS) -max_total_time=$(FUZZ_TIME) \
	  $(FUZZ_CORPUS)/pipeline

fuzz-properties: fuzz-build fuzz-corpus
	$(FUZZ_DIR)/fuzz/fuzz_properties $(FUZZ_PROPERTIES_FLAGS) -max_total_time=$(FUZZ_TIME) \
	  $(FUZZ_CORPUS)/properties

fuzz-lsp: fuzz-build fuzz-corpus
	$(FUZZ_DIR)/fuzz/fuzz_lsp $(FUZZ_LSP_FLAGS) -max_total_time=$(FUZZ_TIME) \
	  $(FUZZ_CORPUS)/lsp $(FUZZ_CORPUS)/lsp-seeds

# New inputs go to a scratch directory; the seeds are only read.
fuzz-short: fuzz-build fuzz-corpus
	@rm -rf $(FUZZ_CORPUS)/short-pipeline $(FUZZ_CORPUS)/short-properties \
	  $(FUZZ_CORPUS)/short-lsp
	@mkdir -p $(FUZZ_CORPUS)/short-pipeline $(FUZZ_CORPUS)/short-properties \
	  $(FUZZ_CORPUS)/short-lsp
	@$(FUZZ_DIR)/fuzz/fuzz_pipeline $(FUZZ_PIPELINE_FLAGS) -max_total_time=$(FUZZ_SHORT_TIME) \
	  $(FUZZ_CORPUS)/short-pipeline $(FUZZ_CORPUS)/seeds 2> $(FUZZ_DIR)/fuzz_pipeline.log \
	  || { tail -60 $(FUZZ_DIR)/fuzz_pipeline.log; exit 1; }
	@echo "fuzz_pipeline: $$(tail -n 5 $(FUZZ_DIR)/fuzz_pipeline.log | grep -E 'number_of_executed_units' | tr -s ' ' | cut -d' ' -f2) runs, no finding"
	@$(FUZZ_DIR)/fuzz/fuzz_properties $(FUZZ_PROPERTIES_FLAGS) \
	  -max_total_time=$(FUZZ_SHORT_TIME) \
	  $(FUZZ_CORPUS)/short-properties 2> $(FUZZ_DIR)/fuzz_properties.log \
	  || { tail -60 $(FUZZ_DIR)/fuzz_properties.log; exit 1; }
	@echo "fuzz_properties: $$(tail -n 5 $(FUZZ_DIR)/fuzz_properties.log | grep -E 'number_of_executed_units' | tr -s ' ' | cut -d' ' -f2) runs, no finding"
	@$(FUZZ_DIR)/fuzz/fuzz_lsp $(FUZZ_LSP_FLAGS) -max_total_time=$(FUZZ_SHORT_TIME) \
	  $(FUZZ_CORPUS)/short-lsp $(FUZZ_CORPUS)/lsp-seeds 2> $(FUZZ_DIR)/fuzz_lsp.log \
	  || { tail -60 $(FUZZ_DIR)/fuzz_lsp.log; exit 1; }
	@echo "fuzz_lsp: $$(tail -n 5 $(FUZZ_DIR)/fuzz_lsp.log | grep -E 'number_of_executed_units' | tr -s ' ' | cut -d' ' -f2) runs, no finding"
