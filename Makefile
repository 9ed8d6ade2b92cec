# TOVL: `make run` runs the demo script, `make test` runs every test. Each target first installs
# what it is missing (scripts/bootstrap, with the target's own package set), then configures and
# builds through a preset of CMakePresets.json: build/ for the usual build, build-<preset>/ for
# the others.
MAKEFLAGS += --no-print-directory
TOVL_WERROR ?= OFF
JOBS ?= $(shell nproc)
BUILD = build

# Configures preset $(1) with the extra cache settings $(2); the settings go to /dev/null, the
# warnings and errors still show.
configure = cmake --preset $(1) -DTOVL_WERROR=$(TOVL_WERROR) $(2) >/dev/null

# A first configure of build/ by a target that runs no tests leaves the tests out, so that
# `make run` needs no GoogleTest; `make test` turns them on, and they stay on.
notests = $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DTOVL_TESTS=OFF)

.PHONY: all build run test check check-sanitize check-layers lint format clean screenshot install deb \
	bench fuzz vscode

all: build

build:
	@scripts/bootstrap run
	@$(call configure,default,$(notests))
	@cmake --build --preset default -j$(JOBS)

# The demo opens in the window when there is a display, and in the terminal otherwise.
run:
	@scripts/bootstrap run
	@$(call configure,default,$(notests))
	@cmake --build --preset default -j$(JOBS) --target tovl tovl-console
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(BUILD)/tovl examples/demo.tovl; \
	else \
		echo "make run: no display, so the demo runs in this terminal with tovl-console"; \
		$(BUILD)/tovl-console examples/demo.tovl; \
	fi

# Every test of the usual build: unit, window, script, example, documentation and package. The
# package test checks the Debian package, built first into build-deb/ without its own run of the
# unit and script tests, which ctest runs here (its log: build-deb/build.log).
test:
	@scripts/bootstrap test
	@$(call configure,default,-DTOVL_TESTS=ON)
	@cmake --build --preset default -j$(JOBS)
	@DEB_BUILD_OPTIONS=nocheck JOBS=$(JOBS) scripts/build-deb --log
	ctest --preset default -j$(JOBS)

# The edit loop: the unit, script and language server tests (ctest labels unit, script and lsp)
# of a Debug build without link-time optimisation in build-dev/ (the dev preset), built
# incrementally. No package is installed and the window, editor and package tests are left to
# `make test`.
check:
	@$(call configure,dev)
	@cmake --build --preset dev -j$(JOBS)
	ctest --preset dev -j$(JOBS)

# The unit and script tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer
# and without the window in build-sanitize/. The test preset sets ASAN_OPTIONS (exit status 86,
# leaks detected) and UBSAN_OPTIONS (stack traces, halt on the first report): any report fails.
check-sanitize:
	@scripts/bootstrap sanitize
	@$(call configure,sanitize)
	@cmake --build --preset sanitize -j$(JOBS)
	ctest --preset sanitize -j$(JOBS)

# The layers: interp/ builds on the standard library alone, commands/ and check/ on interp/
# alone, lsp/ on interp/ and check/; tovl-console and tovl-lsp build and link without Qt
# (scripts/check-layers).
check-layers:
	@scripts/bootstrap layers
	@scripts/check-layers

# Static analysis and layout, each run to the end so that one pass shows every finding; any
# finding fails. clang-format checks every tracked .cpp and .h (tests, fuzz and bench included);
# `make format` fixes what it reports. clang-tidy with .clang-tidy and cppcheck with
# .cppcheck-suppressions look at the project's own code (not tests/, fuzz/, bench/ or generated
# Qt code), clang-tidy over the compilation database in build-lint/. The extra arguments quiet
# clang about g++-only flags. cppcheck reads the run loop's switch build (TOVL_SWITCH_DISPATCH),
# since it does not parse a table of label addresses.
LINTDIRS = interp commands check lsp host platform app
sources = $(shell { git ls-files -- '*.cpp' '*.h' 2>/dev/null || \
	find . -name .git -prune -o \( -name '*.cpp' -o -name '*.h' \) -print; } | \
	sed 's|^\./||' | grep -Ev '^build(-[^/]*)?/')

lint:
	@scripts/bootstrap lint
	@$(call configure,lint)
	@status=0; \
	echo "lint: clang-format"; \
	clang-format --dry-run --Werror $(sources) || status=1; \
	echo "lint: clang-tidy"; \
	run-clang-tidy -quiet -j$(JOBS) -p build-lint \
		-extra-arg=-Wno-unknown-warning-option -extra-arg=-Wno-ignored-optimization-argument \
		'^$(CURDIR)/(interp|commands|check|lsp|host|platform|app)/[^/]+\.cpp$$' || status=1; \
	echo "lint: cppcheck"; \
	cppcheck --enable=warning,performance,portability --library=qt --library=posix \
		-DTOVL_SWITCH_DISPATCH \
		--suppressions-list=.cppcheck-suppressions --inline-suppr --error-exitcode=1 \
		--std=c++20 -I . -j$(JOBS) --quiet $(LINTDIRS) || status=1; \
	[ $$status -eq 0 ] || echo "lint: findings above" >&2; \
	exit $$status

format:
	@scripts/bootstrap format
	@echo "format: clang-format -i over $(words $(sources)) files"
	@clang-format -i $(sources)

# Every build folder: build/ and build-*/ (dev, sanitize, console, lint, bench, fuzz).
clean:
	rm -rf build build-*

# docs/screenshot.png, the window running the demo, and docs/editors.png, Neovim showing what
# tovl-lsp finds, taken under Xvfb.
screenshot:
	@scripts/bootstrap screenshot
	@$(call configure,default,$(notests))
	@cmake --build --preset default -j$(JOBS) --target tovl tovl-lsp
	scripts/screenshot $(BUILD)/tovl docs/screenshot.png
	scripts/screenshot --editor $(BUILD)/tovl-lsp docs/editors.png

# Installs under PREFIX (/usr/local unless given), staged under DESTDIR when that is set, with
# the executables stripped of their debugging information as in the package.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX) --strip

# The Debian package, build-deb/tovl_<version>_<arch>.deb, built by dpkg-buildpackage from the
# debian/ folder, as a distribution builds it (scripts/build-deb).
deb:
	@scripts/bootstrap deb
	@JOBS=$(JOBS) scripts/build-deb

# The VS Code extension, build/tovl-<version>.vsix with the version of CMakeLists.txt: a copy of
# editors/vscode in build/vscode gets the packages of its package-lock.json from the npm registry,
# and vsce packs the extension with the language client in it, so that it installs without the
# network. npm comes from Debian when it is missing.
VERSION = $(shell sed -n 's/^project.tovl VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
vscode:
	@command -v npm >/dev/null || scripts/bootstrap vscode
	rm -rf $(BUILD)/vscode && mkdir -p $(BUILD) && cp -r editors/vscode $(BUILD)/vscode
	cd $(BUILD)/vscode && npm ci --no-audit --no-fund && npx vsce package $(VERSION) \
		--no-git-tag-version --no-update-package-json --skip-license --allow-missing-repository \
		--out ../tovl-$(VERSION).vsix

# Times TOVL against Python, Lua and minimal Qt windows (bench/bench.py), after installing the
# peers and tools; built in build-bench/. CASES picks cases by the start of their names:
# make bench CASES="count print".
bench:
	@scripts/bootstrap bench
	@$(call configure,bench)
	@cmake --build --preset bench -j$(JOBS)
	python3 bench/bench.py build-bench build-bench/bench-work $(CASES)
	python3 bench/lsp_change.py build-bench/tovl-lsp

# The libFuzzer target over the interpreter core with in-memory services (fuzz/, a project of
# its own), built with clang into build-fuzz/ and run for FUZZTIME seconds by fuzz/run, which
# gathers its seeds from the test scripts and examples and its dictionary from the keyword list.
# New inputs go to build-fuzz/corpus. FUZZTARGET=lsp fuzzes the language server's messages.
FUZZBUILD ?= build-fuzz
FUZZTIME ?= 60
FUZZTARGET ?= script
fuzz:
	@scripts/bootstrap fuzz
	@CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZBUILD) >/dev/null
	@cmake --build $(FUZZBUILD) -j$(JOBS)
	TOVL_FUZZ_BUILD=$(FUZZBUILD) TOVL_FUZZ_TARGET=$(FUZZTARGET) fuzz/run \
		-max_total_time=$(FUZZTIME) -print_final_stats=1
