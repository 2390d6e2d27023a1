# Set-up, build and test in one command each; see README.md.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: test demo build deps bench clean

# The console front end converts the samples; the desktop program is set
# up beside the demo's settings to open with its model.
demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target orthelev-cli orthelev
	bash scripts/demo.sh $(BUILD)

test: build
	bash scripts/check-format.sh
	bash scripts/tidy.sh $(BUILD)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

deps:
	bash scripts/install-deps.sh

bench: build
	$(BUILD)/orthelev_bench
	bash bench/compare.sh $(BUILD)

clean:
	rm -rf $(BUILD)
