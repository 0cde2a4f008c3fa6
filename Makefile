# Entry points: `make demo` (silent install of the embedded runtime into a fresh
# Wine prefix), `make test` (every test), `make build`, `make bench`.
JOBS ?= $(shell nproc)
WIN_DIR := build/windows
NATIVE_DIR := build/native
CTEST_FLAGS ?= --output-on-failure

.PHONY: deps build configure test demo bench clean

deps:
	tools/install-deps.sh

configure: deps
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake -S . -B $(NATIVE_DIR) -DCMAKE_BUILD_TYPE=Debug -DOVX_NATIVE=ON

build: configure
	cmake --build $(WIN_DIR) -j $(JOBS)
	cmake --build $(NATIVE_DIR) -j $(JOBS)

test: build
	cd $(NATIVE_DIR) && ctest $(CTEST_FLAGS) -j $(JOBS)
	cd $(WIN_DIR) && ctest $(CTEST_FLAGS) -j $(JOBS)

demo: build
	tools/demo.sh $(WIN_DIR)

bench: build
	bench/run.sh $(WIN_DIR)

clean:
	rm -rf build
