# Top-level entry points: `make test` and `make demo` do everything on a fresh machine.
BUILD       ?= build
BENCH_BUILD ?= build-bench
JOBS        ?= $(shell nproc)
BIN          = $(BUILD)/stage/FDT 1.2/bin

.PHONY: deps configure build test demo bench clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRIVEX_SANITIZE=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

demo: build
	@QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} "$(BIN)/trivex-frame" demo

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRIVEX_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in "$(BENCH_BUILD)"/bench/*_bench; do [ -x "$$b" ] && "$$b" || true; done

clean:
	rm -rf $(BUILD) $(BENCH_BUILD)
