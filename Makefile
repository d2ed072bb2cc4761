# The two commands: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: run test deps build install package firmware flash

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR)

# Starts the program. Without a display it prints how to start it (status 3).
run: build
	@$(BUILD_DIR)/ui/zirkato $(ARGS) || [ $$? -eq 3 ]

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j2

# Installs the three programs, the clips, examples, icons, desktop menu entry,
# metainfo, manual pages and the udev rule (CMake install rules).
install: build
	@cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package $(BUILD_DIR)/zirkato_VERSION_ARCH.deb of this build (CPack;
# docs/packaging.md).
package: build
	@cmake --build $(BUILD_DIR) --target package

# The USB sensor board: builds the firmware; `make flash PORT=/dev/ttyUSB0` writes
# it to a board with the Arduino boot loader (Nano with the old boot loader:
# BAUD=57600).
PORT ?= /dev/ttyUSB0
BAUD ?= 115200
firmware: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) --target firmware
	@avr-size $(BUILD_DIR)/firmware/zirkato-board.elf

flash: firmware
	avrdude -p atmega328p -c arduino -P $(PORT) -b $(BAUD) -U flash:w:$(BUILD_DIR)/firmware/zirkato-board.hex:i
