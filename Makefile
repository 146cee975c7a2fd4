# Set-up, build, run and test on Debian 12. `make run` and `make test` install what is missing
# when run as root, and otherwise print the one apt-get line to run.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-qpa-plugins \
            libgtest-dev libgmock-dev fonts-dejavu-core

.PHONY: all deps configure build run test

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

run: build
	./$(BUILD)/src/app/plotaktar

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
