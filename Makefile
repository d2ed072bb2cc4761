# The two commands: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: run test deps build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR)

run: build
	@$(BUILD_DIR)/zirkato-sim examples/demo-race.scn

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j2
