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

# The libFuzzer target over the interpreter core (fuzz/), built with clang into build-fuzz/ and
# run for FUZZTIME seconds by fuzz/run, which confines it (as root, in a mount namespace of its
# own). New inputs go to build-fuzz/corpus; the seeds in fuzz/corpus stay as they are.
FUZZBUILD ?= build-fuzz
FUZZTIME ?= 60
.PHONY: fuzz
fuzz:
	@command -v clang++ >/dev/null || { echo "make fuzz: needs clang and libclang-rt-dev"; exit 2; }
	@CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZBUILD) >/dev/null
	@cmake --build $(FUZZBUILD) -j$(JOBS)
	@mkdir -p $(FUZZBUILD)/corpus
	TOVLFUZZ_BIN=$(FUZZBUILD)/tovlfuzz fuzz/run -max_total_time=$(FUZZTIME) -print_final_stats=1 \
		-artifact_prefix=$(FUZZBUILD)/artifacts/ $(FUZZBUILD)/corpus fuzz/corpus

# Static analysis of the project's own code (not tests/, fuzz/, bench/ or generated Qt code):
# clang-tidy with .clang-tidy over a compilation database in build-lint/, then cppcheck with
# .cppcheck-suppressions. Any finding fails. The extra arguments quiet clang about g++-only flags.
LINTBUILD ?= build-lint
LINTDIRS = interp commands host platform app
.PHONY: lint
lint: deps
	@cmake -S . -B $(LINTBUILD) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
	run-clang-tidy -quiet -j$(JOBS) -p $(LINTBUILD) \
		-extra-arg=-Wno-unknown-warning-option -extra-arg=-Wno-ignored-optimization-argument \
		'^$(CURDIR)/(interp|commands|host|platform|app)/[^/]+\.cpp$$'
	cppcheck --enable=warning,performance,portability --library=qt --library=posix \
		--suppressions-list=.cppcheck-suppressions --inline-suppr --error-exitcode=1 \
		--std=c++20 -I . -j$(JOBS) --quiet $(LINTDIRS)
