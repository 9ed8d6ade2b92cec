# TOVL: `make run` runs the demo script, `make test` runs every test. Both install what is
# missing first (scripts/bootstrap) and build into build/.
BUILD ?= build
TOVL_WERROR ?= OFF
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test clean screenshot

all: build

deps:
	@scripts/bootstrap

configure: deps
	@cmake -S . -B $(BUILD) -DTOVL_WERROR=$(TOVL_WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The demo opens in the window when there is a display, and in the terminal otherwise.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(BUILD)/tovl examples/demo.tovl; \
	else \
		echo "make run: no display, so the demo runs in this terminal with tovl-console"; \
		$(BUILD)/tovl-console examples/demo.tovl; \
	fi

# Every test, then the unit and script tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a second build folder: any report fails the run.
SANBUILD ?= build-sanitize
SANENV = ASAN_OPTIONS=exitcode=86:detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 120
	@cmake -S . -B $(SANBUILD) -DTOVL_SANITIZE=ON -DTOVL_WERROR=$(TOVL_WERROR) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(SANBUILD) -j$(JOBS) --target tovltests tovl-console
	$(SANENV) ctest --test-dir $(SANBUILD) --output-on-failure -j$(JOBS) --timeout 300

clean:
	rm -rf $(BUILD)

# docs/screenshot.png: the window running the demo, taken under Xvfb.
screenshot: build
	scripts/screenshot $(BUILD)/tovl docs/screenshot.png

# Installs under PREFIX (/usr/local unless given), staged under DESTDIR when that is set.
PREFIX ?= /usr/local
.PHONY: install deb
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, build/tovl_<version>_<arch>.deb; Depends comes from the linked libraries.
deb: build
	cd $(BUILD) && cpack -G DEB

# Times TOVL against Python, Lua and minimal Qt windows (bench/bench.py), after installing the
# peers and tools. CASES picks cases by the start of their names: make bench CASES="count print".
.PHONY: bench
bench: deps
	@scripts/bootstrap bench
	@cmake -S . -B $(BUILD) -DTOVL_WERROR=$(TOVL_WERROR) -DTOVL_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target tovl tovl-console firstpaint qtminimal qttextwindow
	python3 bench/bench.py $(BUILD) $(BUILD)/bench-work $(CASES)
