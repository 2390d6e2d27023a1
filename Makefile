# Set-up, build and test in one command each; see README.md.
BUILD ?= build
# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer, clang)
# of the tests and the fuzz targets.
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30

.PHONY: test demo build deps bench clean sanitize sanitize-build fuzz fuzz-build package

# The console front end converts the samples; the desktop program is set
# up beside the demo's settings to open with its model.
demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target orthelev-cli orthelev
	bash scripts/demo.sh $(BUILD)

# Format and static checks, every test in the normal build, the Debian
# package unpacked and run, every test again under the sanitizers (any
# report fails), then every fuzz target for FUZZ_SECONDS over its corpus.
test: build sanitize-build
	bash scripts/check-format.sh
	bash scripts/tidy.sh $(BUILD)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) package
	bash scripts/check-package.sh $(BUILD)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)
	bash scripts/run-fuzz.sh $(SANITIZE_BUILD) $(FUZZ_SECONDS) $(JOBS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

deps:
	bash scripts/install-deps.sh

# The Debian package orthelev_<version>_<architecture>.deb in $(BUILD).
package: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target orthelev-cli orthelev orthelev_gdal
	cd $(BUILD) && cpack -G DEB

# The tests (without the desktop program's) and the fuzz targets, built
# with clang, ASan and UBSan.
sanitize-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORTHELEV_SANITIZE=ON -DORTHELEV_BUILD_FUZZ=ON -DORTHELEV_BUILD_BENCH=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

sanitize: sanitize-build
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORTHELEV_SANITIZE=ON -DORTHELEV_BUILD_FUZZ=ON -DORTHELEV_BUILD_BENCH=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target fuzz_targets

# Every fuzz target for FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=600 for
# a long run); findings are kept under $(SANITIZE_BUILD)/fuzz-findings/.
fuzz: fuzz-build
	bash scripts/run-fuzz.sh $(SANITIZE_BUILD) $(FUZZ_SECONDS) $(JOBS)

bench: build
	$(BUILD)/orthelev_bench
	bash bench/compare.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
