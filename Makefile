# Top-level entry points: `make test` and `make demo` do everything on a fresh machine.
BUILD       ?= build
DEMO_BUILD  ?= build-release
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS        ?= $(shell nproc)
BIN          = $(BUILD)/stage/FDT 1.2/bin
DEMO_BIN     = $(DEMO_BUILD)/stage/FDT 1.2/bin

.PHONY: deps configure build test demo demo-build bench fuzz clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRIVEX_SANITIZE=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Each test alone under ctest, then each test program once as a whole, so
# that a test that depends on what an earlier one left behind shows up. No
# test gets a second try: one that needs it is a fault and fails the run.
test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@scripts/run-test-binaries "$(BIN)" $(JOBS)

# The demo runs what a user runs: an optimised build of its own, without the
# tests and the sanitizers of `make test`.
demo-build: deps
	@cmake -S . -B $(DEMO_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIVEX_SANITIZE=OFF \
	    -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(DEMO_BUILD) -j $(JOBS)

# The Trivex HART device type is registered (again: a registration replaces
# its entry) before the frame runs, as an installer would.
TRIVEX_HART  = $(abspath $(DEMO_BUILD))/stage/TDXDESC/COM_HART/_0063/_0_0089/
# The device type the demo creates its projects for (the catalogue's decimal
# id of the Trivex HART transmitter): named, so that the demo still runs
# when other device types are registered beside it.
DEMO_DEVICE_TYPE = 137
demo: BIN = $(DEMO_BIN)
demo: demo-build
	@echo "== Registering the Trivex HART device type"
	@"$(BIN)/fennick" func:registerdtm "dscr_dir:$(TRIVEX_HART)" tdx_file:Trivex.tdx fdt_file:Trivex.fdt \
	    dtminfo_date:2024-05-15 fdtclassificationid:1
	@echo "== $(BIN)/DEVICECATALOGUE.XML"
	@xmllint --format "$(BIN)/DEVICECATALOGUE.XML" 2>/dev/null || cat "$(BIN)/DEVICECATALOGUE.XML"
	@echo
	@# A simulated transmitter on a free loopback port, a new project, its
	@# connection, its dataset; then an upload, a change, a download and a
	@# check (scripts/demo-transfer); the simulator is stopped however it ends.
	@set -e; work=$$(mktemp -d); \
	"$(BIN)/trivex-sim" --port 0 --quiet --tag FT-101 --device-id 0x1A2B3C > "$$work/sim.out" 2>&1 & sim=$$!; \
	trap 'kill $$sim 2>/dev/null || true; wait $$sim 2>/dev/null || true; rm -rf "$$work"' EXIT; \
	for i in $$(seq 100); do grep -q "listening on" "$$work/sim.out" && break; sleep 0.1; done; \
	port=$$(sed -n 's/.*listening on .*:\([0-9]*\)$$/\1/p' "$$work/sim.out"); \
	if [ -z "$$port" ]; then cat "$$work/sim.out"; echo "trivex-sim did not start"; exit 1; fi; \
	export QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen}; \
	echo "== trivex-sim listening on 127.0.0.1:$$port"; \
	echo "== trivex-frame new $$work/project --device-type $(DEMO_DEVICE_TYPE)"; \
	"$(BIN)/trivex-frame" new "$$work/project" --device-type $(DEMO_DEVICE_TYPE); \
	echo; echo "== trivex-frame connect $$work/project --device hart-ip://127.0.0.1:$$port"; \
	"$(BIN)/trivex-frame" connect "$$work/project" --device "hart-ip://127.0.0.1:$$port"; \
	echo; echo "== trivex-frame show $$work/project"; \
	"$(BIN)/trivex-frame" show "$$work/project"; \
	echo; echo "== trivex-frame functions $$work/project --phase runtime"; \
	"$(BIN)/trivex-frame" functions "$$work/project" --phase runtime; \
	echo; echo "== trivex-frame export $$work/project $$work/export.xml"; \
	"$(BIN)/trivex-frame" export "$$work/project" "$$work/export.xml"; \
	head -c 600 "$$work/export.xml"; echo " ..."; \
	echo; scripts/demo-transfer "$(BIN)" "$$work" "$$port" $(DEMO_DEVICE_TYPE)
	@echo
	@echo "== The device window needs a display (X11 or Wayland). This opens it on a simulated transmitter"
	@echo "== of its own and ends when the window is closed:"
	@echo "   scripts/demo-window \"$(BIN)\""

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRIVEX_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in "$(BENCH_BUILD)"/bench/*_bench; do [ -x "$$b" ] && "$$b" || true; done

# The readers of untrusted input under libFuzzer (clang, ASan+UBSan), each
# for FUZZ_SECONDS; fails on a crash, leak, hang or out-of-memory. The whole
# tree, its tests included (compiled, not linked: `make test` links and runs
# them), is built with clang here, not only the fuzz targets, so that code
# one of the two compilers refuses fails CI.
fuzz:
	@scripts/install-fuzz-deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DTRIVEX_FUZZ=ON -DBUILD_TESTING=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) $(JOBS)

clean:
	rm -rf $(BUILD) $(DEMO_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
