# Penwick: `make run` builds and starts the editor, `make test` builds and runs every test.
# `make install` honours DESTDIR, and PREFIX (default /usr/local) for a prefix other than the configured one.
BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=
PREFIX ?=

.PHONY: all setup build run test bench deb install uninstall clean

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

# The Debian package, built from a copy of the committed tree and checked by lintian: build/deb/penwick_*.deb.
deb: setup
	bash scripts/build-deb $(BUILD)/deb

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# Removes what the last install wrote, as $(BUILD)/install_manifest.txt lists it.
uninstall:
	cd $(BUILD) && cmake -P $(CURDIR)/cmake/uninstall.cmake

clean:
	rm -rf $(BUILD)
