# Penwick: `make run` builds and starts the editor, `make test` builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: all setup build run test bench install clean

all: build

setup:
	@bash scripts/setup-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/penwick $(FILE)

test: build
	bash scripts/run-tests $(BUILD)

bench: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target penwick-bench
	$(BUILD)/bench/penwick-bench

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
