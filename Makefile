# Entry points: `make run` and `make test`. Both install what is missing first.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
DEMO_HOME ?= $(CURDIR)/demo-home

.PHONY: deps build build-asan run test test-plain test-asan bench format clean screenshots install

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQS_SANITIZE=ON -DQS_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@bash scripts/demo.sh $(BUILD)/quillstow $(DEMO_HOME)

test-plain: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-plain test-asan

screenshots: build
	@bash scripts/screenshots.sh $(BUILD)

install: build
	@cmake --install $(BUILD)

bench: build
	@bash bench/run.sh $(BUILD)

format:
	@bash scripts/format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
