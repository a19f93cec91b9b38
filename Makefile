# Drives the three CMake builds: native (module, host, tests, bench,
# artwork), Windows (the gauge file and the same tests, run under Wine) and
# web (the module, host and bench's simulation in WebAssembly, and the page
# as one file, dist/try-in-browser.html).
#   make test   installs what is missing, builds all three, runs every test
#               (stages native, windows, sanitizers, fuzzing, each timed)
#   make check  builds natively and runs the native tests only: the loop
#               to run while working (seconds)
#   make run    installs what is missing, builds, runs the main job
#   make benchmark  installs what is missing, builds, runs the module benchmark
#   make release  installs what is missing, builds, writes the release zip
# Deliverables go to dist/.

NATIVE_BUILD := build/native
WIN32_BUILD  := build/win32
WEB_BUILD    := build/web
DIST         := $(CURDIR)/dist
JOBS         ?= $(shell nproc)

.PHONY: all deps build native win32 web test check run benchmark benchmark-run release clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@$(MAKE) --no-print-directory native
	@$(MAKE) --no-print-directory win32
	@$(MAKE) --no-print-directory web

native:
	cmake -S . -B $(NATIVE_BUILD) -DDIST_DIR=$(DIST)
	cmake --build $(NATIVE_BUILD) -j$(JOBS)

# The Windows build takes its bitmaps from the native build's generator.
win32: native
	cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	  -DBITMAP_FOLDER=$(DIST)/native/bitmaps -DDIST_DIR=$(DIST)
	cmake --build $(WIN32_BUILD) -j$(JOBS)

# The web build also takes its bitmaps from the native build's generator.
# Debian's Emscripten runs its tools on node with Debian's node modules.
web: native
	NODE_PATH=/usr/share/nodejs emcmake cmake -S bench/web -B $(WEB_BUILD) \
	  -DBITMAP_FOLDER=$(DIST)/native/bitmaps -DDIST_DIR=$(DIST)
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD) -j$(JOBS)

# Every stage always runs; the target fails if any failed. The Windows stage
# runs in one Wine session (scripts/test-windows.sh).
test: deps
	@JOBS=$(JOBS) NATIVE_BUILD=$(NATIVE_BUILD) WIN32_BUILD=$(WIN32_BUILD) WEB_BUILD=$(WEB_BUILD) scripts/test-all.sh

# Tests labelled slow (a real browser, say) are left to make test.
check: deps
	@$(MAKE) --no-print-directory native
	ctest --test-dir $(NATIVE_BUILD) --output-on-failure -j$(JOBS) -LE slow

run: build
	./dist/panelbench run scenarios/default.pbs --out out
	@echo "Try the gauges in a browser, no install and no server: open $(DIST)/try-in-browser.html"

benchmark: build
	@$(MAKE) --no-print-directory -C . benchmark-run

benchmark-run:
	@if [ -x ./$(NATIVE_BUILD)/hardening/module_benchmark ]; then \
	  ./$(NATIVE_BUILD)/hardening/module_benchmark; \
	else \
	  echo "benchmark: ./$(NATIVE_BUILD)/hardening/module_benchmark is missing (not built yet)"; exit 1; \
	fi

# The release zip: the gauge file, panelbench.exe (stripped), INSTALL.md,
# try-in-browser.html and its typefaces' licence, the gauges' pictures, the
# example panel, SHA256SUMS.
release: build
	@scripts/release.sh

clean:
	rm -rf $(NATIVE_BUILD) $(WIN32_BUILD) $(WEB_BUILD) dist
