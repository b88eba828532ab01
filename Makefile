# The user's entry points. Each runs the setup (fast when nothing is missing),
# configures and builds what it needs.
.PHONY: all setup build test test-dev test-asan test-tsan fuzz package package-check faults demo screenshots bench windows windows-package windows-check format format-check lint clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

all: build

setup:
	@bash scripts/setup.sh

build/%/build.ninja: | setup
	cmake --preset $*

build: setup build/dev/build.ninja
	cmake --build --preset dev -j $(JOBS)

test-dev: setup build/dev/build.ninja
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev

test-asan: setup build/asan/build.ninja
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

# The areas where threads meet, built and run under ThreadSanitizer.
test-tsan: setup build/tsan/build.ninja
	cmake --build --preset tsan -j $(JOBS) --target ld_tests_window ld_tests_course ld_tests_engine ld_tests_queue
	ctest --preset tsan -L 'window|course|engine|queue'

test: test-dev test-asan

# Every libFuzzer target (clang) for FUZZ_SECONDS each.
fuzz: setup build/fuzz/build.ninja
	cmake --build --preset fuzz -j $(JOBS)
	bash scripts/fuzz.sh build/fuzz $(FUZZ_SECONDS)

# The Debian package (build/release/lecture-downloader_<version>_<arch>.deb), and
# a check that installs it here and starts the installed program.
package: setup build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target lecture-downloader xldl ld_icons ld_man_page
	cd build/release && cpack -G DEB

package-check: package
	bash scripts/check-package.sh build/release

# Fault injection: downloads through the queue and the engine while the sample
# platform misbehaves, and prints one table (a few minutes at most).
faults: setup build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target faults xldl
	build/release/bin/faults

# Builds only what the demo runs (the program, the engine, the sample platform
# and the check of the result), not the tests.
demo: setup build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target lecture-downloader xldl sample-platform demo-check
	bash scripts/demo.sh build/release

screenshots: setup build/dev/build.ninja
	cmake --build --preset dev -j $(JOBS) --target lecture-downloader
	QT_QPA_PLATFORM=offscreen build/dev/bin/lecture-downloader --screenshots build/screenshots

# The Windows program cross-built with mingw-w64 into build/windows/
# (lecture-downloader.exe, xldl.dll and the window module), its libraries
# built once from Debian's source packages.
windows: setup
	bash scripts/windows-deps.sh
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target ld_windows_programs

# The portable zip and the installer beside them (NSIS):
# build/windows/lecture-downloader-<version>-win64.zip and -setup.exe.
windows-package: windows
	cmake --build --preset windows -j $(JOBS) --target ld_windows_package

# The same build with the Qt-free test suites, what the files import and
# export, and the suites run under Wine.
windows-check: setup
	JOBS=$(JOBS) bash scripts/windows-check.sh

bench: setup build/release/build.ninja
	cmake --build --preset release -j $(JOBS)
	bash bench/run.sh build/release

# Style checks: clang-format over every tracked C/C++ file, and clang-tidy with
# the short check list of .clang-tidy over the Debug build's sources.
format:
	bash scripts/format-check.sh --fix

format-check: setup
	bash scripts/format-check.sh

lint: setup build/dev/build.ninja
	bash scripts/lint.sh build/dev

clean:
	rm -rf build
