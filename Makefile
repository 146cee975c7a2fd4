# Set-up, build, run and test on Debian 12. `make run` and `make test` install what is missing
# when run as root, and otherwise print the one apt-get line to run.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-svg-dev qt6-qpa-plugins \
            qt6-translations-l10n libgtest-dev libgmock-dev fonts-dejavu-core
# A sheet's map face is written into the PDF engine's page with its fonts (Qt's own headers).
PACKAGES += qt6-base-private-dev
# The exchange formats and coordinate systems of `export`, and the geometry of `check`.
PACKAGES += libgdal-dev libproj-dev
# A GeoPackage's spatial index, written in bulk.
PACKAGES += libsqlite3-dev
# The EPSG codes by kind of system, read from PROJ's database when the program is built.
PACKAGES += sqlite3 proj-data
PACKAGES += libgeos-dev
# The command line of plotaktar-cli and its helpers (header-only).
PACKAGES += libcli11-dev
# Independent readers the tests compare our files with.
PACKAGES += gdal-bin proj-bin python3-ezdxf
PACKAGES += python3-gdal
PACKAGES += python3-shapely
PACKAGES += poppler-utils
PACKAGES += parallel

.PHONY: all deps configure build run view test

all: build

deps:
	@missing=$$(for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done | tr '\n' ' '); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	  else \
	    echo "Missing packages. Run:"; echo "  sudo apt-get install $$missing"; exit 1; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The window alone, or the drawing viewer alone: only what the program needs is built, no tests.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target plotaktar
	./$(BUILD)/src/app/plotaktar

view: configure
	cmake --build $(BUILD) -j $(JOBS) --target plotaktar-view
	./$(BUILD)/src/viewer/plotaktar-view

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Benchmark (never part of `make test`): a separate Release build, one generated drawing per
# N and SEED (kept in the build dir and reused), and one table printed by plotaktar_bench: every
# figure beside its target and its peer, each the median of RUNS runs. Its rows are listed in
# bench/bench_rows.cpp (a row is one line there).
# A quick run: make bench RUNS=1 ARCHIVE=0 CALLGRIND_N=0
# Several sizes: make bench N="250000 500000 1000000"
# Parcels in blocks of neighbours sharing corners, as surveyed (the default draws parcels of
# random corners, most of which cross themselves): make bench MODE=blocks
# Nothing but crossed star parcels, each overlapping its neighbours: make bench MODE=stars
BENCH_BUILD ?= build-bench
N ?= 1000000
SEED ?= 1
RUNS ?= 5
MODE ?=
# The archive's number of drawings (0 leaves its rows out), and the drawing callgrind counts
# convert's instructions on (0 leaves it out).
ARCHIVE ?= 2000
CALLGRIND_N ?= 250000

.PHONY: bench
# make bench counts instructions with callgrind.
BENCH_PACKAGES := valgrind
bench:
	$(MAKE) deps EXTRA_PACKAGES="$(EXTRA_PACKAGES) $(BENCH_PACKAGES)"
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLOTAKTAR_BENCH=ON -DPLOTAKTAR_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target gen_drawing plotaktar_bench
	@set -e; mkdir -p $(BENCH_BUILD)/drawings; bases=; \
	for n in $(N) $(filter-out 0,$(CALLGRIND_N)); do \
	  base=$(BENCH_BUILD)/drawings/drawing-$$n-$(SEED)$(if $(MODE),-$(MODE)); \
	  if [ ! $$base.yfn -nt $(BENCH_BUILD)/bench/gen_drawing ]; then \
	    ./$(BENCH_BUILD)/bench/gen_drawing $$n $(SEED) $$base $(MODE); \
	  fi; \
	done; \
	for n in $(N); do bases="$$bases $(BENCH_BUILD)/drawings/drawing-$$n-$(SEED)$(if $(MODE),-$(MODE))"; done; \
	archive=; if [ "$(ARCHIVE)" != 0 ]; then \
	  archive="--archive $$(bench/gen_archive.sh $(BENCH_BUILD) $(ARCHIVE))"; fi; \
	callgrind=; if [ "$(CALLGRIND_N)" != 0 ]; then \
	  callgrind="--callgrind $(BENCH_BUILD)/drawings/drawing-$(CALLGRIND_N)-$(SEED)$(if $(MODE),-$(MODE))"; fi; \
	echo "make bench RUNS=$(RUNS) N=\"$(N)\" ARCHIVE=$(ARCHIVE) CALLGRIND_N=$(CALLGRIND_N)"; \
	QT_QPA_PLATFORM=offscreen ./$(BENCH_BUILD)/bench/plotaktar_bench --runs $(RUNS) $$archive $$callgrind $$bases

# Converts the sample drawing with plotaktar-cli; the plot file goes into the build directory.
.PHONY: demo
demo: build
	./$(BUILD)/src/cli/plotaktar-cli convert samples/pafta12.gplt samples/pafta12.yaz -o $(BUILD)/pafta12.plt
	@echo "Plot file: $(abspath $(BUILD))/pafta12.plt"

# The whole test suite (core, CLI and window) built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of its own. Leaks that LeakSanitizer finds
# inside Qt and the libraries under it are listed in tests/lsan.supp; ours are not.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV := QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: test-sanitize
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DPLOTAKTAR_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (fuzz/*_fuzzer.cpp): built with clang 14, ASan and UBSan in their own build
# directory, then every one run for FUZZ_SECONDS seconds; reports any crash with its reproducer
# and ends with a table of executions, executions a second, corpus size and findings.
# `make fuzz-long` runs each target for FUZZ_LONG_SECONDS instead. `make fuzz-smoke` (CI) runs
# every target for FUZZ_SMOKE_SECONDS from its seeds alone, without the corpus grown by earlier
# runs, and fails on any finding: a target whose model no longer agrees with the code fails it.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_LONG_SECONDS ?= 1800
FUZZ_SMOKE_SECONDS ?= 15
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

.PHONY: fuzz fuzz-long fuzz-smoke fuzz-build
fuzz-long:
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_LONG_SECONDS)

fuzz-build:
	$(MAKE) deps EXTRA_PACKAGES="$(EXTRA_PACKAGES) $(FUZZ_PACKAGES)"
	cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh $(FUZZ_BUILD)

fuzz-smoke: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS) FUZZ_SEEDS_ONLY=1 fuzz/run.sh $(FUZZ_BUILD)

# The Debian package: a Release build of its own with Debian's hardening flags, packed by CPack
# (dependencies from dpkg-shlibdeps). `make test-package` installs it on this machine, checks
# the installed programs and desktop files as a user would, and removes it again.
PACKAGE_BUILD ?= build-package
PACKAGE_BUILD_PACKAGES := dpkg-dev file help2man libqt6svg6
PACKAGE_TEST_PACKAGES := lintian desktop-file-utils appstream shared-mime-info xdg-utils \
                         libfile-mimeinfo-perl libglib2.0-bin man-db bsdextrautils
PACKAGE_VERSION := $(shell awk '/^project/ {print $$3; exit}' CMakeLists.txt)
PACKAGE_DEB = $(PACKAGE_BUILD)/plotaktar_$(PACKAGE_VERSION)_$(shell dpkg --print-architecture).deb

.PHONY: package test-package
package:
	$(MAKE) deps EXTRA_PACKAGES="$(EXTRA_PACKAGES) $(PACKAGE_BUILD_PACKAGES)"
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLOTAKTAR_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@echo "Package: $(PACKAGE_DEB)"

test-package: package
	$(MAKE) deps EXTRA_PACKAGES="$(EXTRA_PACKAGES) $(PACKAGE_TEST_PACKAGES)"
	tests/package/test_installed.sh $(PACKAGE_DEB) .

# Windows: the core, plotaktar-cli.exe and the window plotaktar.exe (all linked statically) and
# the core and CLI tests, cross-built with MinGW-w64 in build-windows/ (GoogleTest too, from
# Debian's sources).
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix wine64 googletest
# The installer, and the window's tests on a display of their own.
WINDOWS_PACKAGES += nsis xvfb openbox xdotool x11-utils imagemagick
WINDOWS_TOOLCHAIN := $(CURDIR)/cmake/mingw-w64-x86_64.cmake
WINDOWS_INSTALLER = $(WINDOWS_BUILD)/plotaktar-$(PACKAGE_VERSION)-setup.exe
WINE ?= /usr/lib/wine/wine64
WINESERVER ?= /usr/lib/wine/wineserver64
# No Mono or Gecko install prompts: the tests need neither. No menu entries on this machine
# for shortcuts made in the prefix.
WINDOWS_ENV = WINE=$(WINE) WINESERVER=$(WINESERVER) WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wineprefix WINEDEBUG=-all \
	WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY=

.PHONY: windows windows-installer test-windows
windows:
	$(MAKE) deps EXTRA_PACKAGES="$(EXTRA_PACKAGES) $(WINDOWS_PACKAGES)"
	cmake -S /usr/src/googletest -B $(WINDOWS_BUILD)/googletest -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=$(WINDOWS_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
	  -DCMAKE_INSTALL_PREFIX=$(abspath $(WINDOWS_BUILD))/gtest
	cmake --build $(WINDOWS_BUILD)/googletest -j $(JOBS) --target install
	cmake -S . -B $(WINDOWS_BUILD)/plotaktar -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(WINDOWS_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release -DPLOTAKTAR_GUI=OFF -DPLOTAKTAR_RENDER=OFF \
	  -DGTest_DIR=$(abspath $(WINDOWS_BUILD))/gtest/lib/cmake/GTest \
	  -DCMAKE_CROSSCOMPILING_EMULATOR=$(WINE)
	cmake --build $(WINDOWS_BUILD)/plotaktar -j $(JOBS)

# The installer plotaktar-VERSION-setup.exe (NSIS): the window and the CLI under Program Files,
# Start-menu entries, the file types, an uninstaller in Apps & features; /S for silent.
windows-installer: windows
	rm -rf $(WINDOWS_BUILD)/installer
	mkdir -p $(WINDOWS_BUILD)/installer
	cp $(WINDOWS_BUILD)/plotaktar/src/win/plotaktar.exe \
	  $(WINDOWS_BUILD)/plotaktar/src/cli/plotaktar-cli.exe $(WINDOWS_BUILD)/installer/
	makensis -V2 -DVERSION=$(PACKAGE_VERSION) -DBUILD=$(abspath $(WINDOWS_BUILD))/installer \
	  -DICON=$(CURDIR)/data/plotaktar.ico -DOUTFILE=$(abspath $(WINDOWS_INSTALLER)) \
	  data/windows/plotaktar.nsi
	@echo "Installer: $(WINDOWS_INSTALLER)"

# The Linux plotaktar-cli the Windows one is compared with is the Linux build's where there is
# one; otherwise a build of its own with no more than the comparison runs: the command line and
# export, without the window, the renderer, the check and the tests, and at -O1 (it is only
# compared with).
WINDOWS_LINUX_BUILD = $(if $(wildcard $(BUILD)/build.ninja),$(BUILD),$(WINDOWS_BUILD)/linux)
WINDOWS_LINUX_CLI = $(WINDOWS_LINUX_BUILD)/src/cli/plotaktar-cli
# The tests run under Wine in a prefix of their own, created afresh on every run. Then the same
# CLI sessions run through the Linux and the Windows build must leave the same bytes, and the
# sample converts identically; then the installer and the installed window (on an X display of
# their own, driven with xdotool) in another fresh prefix.
# Wine itself fails a process start now and then under load (CreateProcessW with
# ERROR_INTERNAL_ERROR, seen once in a dozen runs): the tests try such a start again, and a test
# program that fails is run once more before it counts as failed.
# One Wine session, kept open from the first test to the last, with Wine's services started
# first and writing nowhere: no test program starts them (or waits for them) and none gets their
# lines, crashes included, on its standard error.
test-windows: windows-installer
	@if [ "$(WINDOWS_LINUX_BUILD)" = "$(BUILD)" ]; then \
	  cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS); \
	else \
	  cmake -S . -B $(WINDOWS_LINUX_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DPLOTAKTAR_GUI=OFF -DPLOTAKTAR_RENDER=OFF \
	    -DPLOTAKTAR_CHECK=OFF -DPLOTAKTAR_TESTS=OFF; \
	fi
	cmake --build $(WINDOWS_LINUX_BUILD) -j $(JOBS) --target plotaktar-cli
	rm -rf $(WINDOWS_BUILD)/wineprefix
	$(WINDOWS_ENV) $(WINE) wineboot --init >/dev/null 2>&1
	$(WINDOWS_ENV) $(WINESERVER) -w
	@set -e; trap '$(WINDOWS_ENV) $(WINESERVER) -k 2>/dev/null || true' EXIT; \
	$(WINDOWS_ENV) $(WINESERVER) -p; $(WINDOWS_ENV) $(WINE) wineboot >/dev/null 2>&1; \
	(cd $(WINDOWS_BUILD)/plotaktar && $(WINDOWS_ENV) ctest --output-on-failure -j $(JOBS) \
	  --repeat until-pass:2); \
	$(WINDOWS_ENV) tests/windows/compare_cli.sh $(WINDOWS_LINUX_CLI) \
	  $(WINDOWS_BUILD)/plotaktar/src/cli/plotaktar-cli.exe $(WINDOWS_BUILD)/compare; \
	$(WINDOWS_ENV) $(WINE) $(WINDOWS_BUILD)/plotaktar/src/cli/plotaktar-cli.exe convert \
	  samples/pafta12.gplt samples/pafta12.yaz -o $(WINDOWS_BUILD)/pafta12.plt >/dev/null; \
	$(WINDOWS_LINUX_CLI) convert samples/pafta12.gplt samples/pafta12.yaz \
	  -o $(WINDOWS_LINUX_BUILD)/pafta12.plt >/dev/null; \
	cmp $(WINDOWS_BUILD)/pafta12.plt $(WINDOWS_LINUX_BUILD)/pafta12.plt; \
	echo "Windows: tests passed; plotaktar-cli.exe writes the same bytes as the Linux build"
	WINE=$(WINE) WINESERVER=$(WINESERVER) tests/windows/test_window.sh $(WINDOWS_INSTALLER) \
	  $(WINDOWS_LINUX_CLI) $(WINDOWS_BUILD)/plotaktar $(WINDOWS_BUILD)/window-test
