# Set-up, build and test in one command each; see README.md.
BUILD ?= build
# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer, clang)
# of the tests and the fuzz targets.
SANITIZE_BUILD ?= build-sanitize
# The Windows cross build (MinGW-w64) of the core, orthelev-cli and the tests.
WINDOWS_BUILD ?= build-windows
# A Release build of orthelev-cli, as distributions and users build it.
RELEASE_BUILD ?= build-release
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
# The project's own builds treat warnings as errors; a plain cmake build
# (and make demo) only warns.
STRICT = -DORTHELEV_WERROR=ON

.PHONY: test demo build deps bench clean sanitize sanitize-build fuzz fuzz-build package windows windows-test windows-zip windows-installer release-build

# The console front end converts the samples; the desktop program is set
# up beside the demo's settings to open with its model.
demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target orthelev-cli orthelev
	bash scripts/demo.sh $(BUILD)

# Format and static checks, every test in the normal build, the Debian
# package unpacked and run, the Windows installer installed and uninstalled
# under wine and its desktop program driven on an X display, every test
# again under the sanitizers (any report fails), the Windows tests under
# wine, then every fuzz target for FUZZ_SECONDS over its corpus.
test: build sanitize-build windows release-build
	bash scripts/check-format.sh
	bash scripts/tidy.sh $(BUILD) $(WINDOWS_BUILD)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) package
	bash scripts/check-package.sh $(BUILD)
	bash scripts/check-installer.sh $(WINDOWS_BUILD)/orthelev-setup-*-x86_64.exe
	bash scripts/check-windows-desktop.sh $(WINDOWS_BUILD) $(BUILD)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -V
	bash scripts/run-fuzz.sh $(SANITIZE_BUILD) $(FUZZ_SECONDS) $(JOBS)

# The optimiser of a Release build warns where RelWithDebInfo does not.
release-build: deps
	cmake -S . -B $(RELEASE_BUILD) $(STRICT) -DCMAKE_BUILD_TYPE=Release \
	  -DORTHELEV_BUILD_TESTS=OFF -DORTHELEV_BUILD_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target orthelev-cli
	$(RELEASE_BUILD)/orthelev-cli --version

build: deps
	cmake -S . -B $(BUILD) $(STRICT) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

deps:
	bash scripts/install-deps.sh

# The Debian package orthelev_<version>_<architecture>.deb in $(BUILD), and
# beside it orthelev-cli-windows-x86_64.zip and the Windows installer
# orthelev-setup-<version>-x86_64.exe (the Windows cross build).
package: deps windows-zip windows-installer
	cmake -S . -B $(BUILD) $(STRICT) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target orthelev-cli orthelev orthelev_gdal format_files_out
	cd $(BUILD) && cpack -G DEB
	cp $(WINDOWS_BUILD)/orthelev-cli-windows-x86_64.zip $(WINDOWS_BUILD)/orthelev-setup-*-x86_64.exe $(BUILD)/

# The tests (without the desktop program's) and the fuzz targets, built
# with clang, ASan and UBSan.
sanitize-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) $(STRICT) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORTHELEV_SANITIZE=ON -DORTHELEV_BUILD_FUZZ=ON -DORTHELEV_BUILD_BENCH=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

sanitize: sanitize-build
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) $(STRICT) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORTHELEV_SANITIZE=ON -DORTHELEV_BUILD_FUZZ=ON -DORTHELEV_BUILD_BENCH=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target fuzz_targets

# Every fuzz target for FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=600 for
# a long run); findings are kept under $(SANITIZE_BUILD)/fuzz-findings/.
fuzz: fuzz-build
	bash scripts/run-fuzz.sh $(SANITIZE_BUILD) $(FUZZ_SECONDS) $(JOBS)

# orthelev-cli.exe, the desktop program orthelev.exe (native windows) and
# the tests for 64-bit Windows, statically linked, without GDAL (the grid
# import reads only the formats the program reads itself).
windows: deps
	cmake -S . -B $(WINDOWS_BUILD) $(STRICT) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DORTHELEV_BUILD_BENCH=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_DISABLE_FIND_PACKAGE_GDAL=ON
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target orthelev-cli orthelev_tests orthelev orthelev_win32_tests

# The core tests and the console end-to-end tests under wine64.
windows-test: windows
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -V

# $(WINDOWS_BUILD)/orthelev-cli-windows-x86_64.zip: the .exe and the README.
windows-zip: windows
	cmake --build $(WINDOWS_BUILD) --target windows_zip

# $(WINDOWS_BUILD)/orthelev-setup-<version>-x86_64.exe: the NSIS installer.
windows-installer: windows
	cmake -S . -B $(BUILD) $(STRICT)
	cmake --build $(BUILD) -j $(JOBS) --target format_files_out
	cmake -S . -B $(WINDOWS_BUILD) -DORTHELEV_FILE_TYPES_NSH=$(abspath $(BUILD))/file_types.nsh
	cmake --build $(WINDOWS_BUILD) --target windows_installer

bench: build
	$(BUILD)/orthelev_bench
	bash bench/compare.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(WINDOWS_BUILD) $(RELEASE_BUILD)
