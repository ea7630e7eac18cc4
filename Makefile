# The two commands of the README. Both do their own set-up.
APP ?= code-runner

.PHONY: run test bench setup clean

run:
	@scripts/run $(APP)

test:
	@scripts/test

bench:
	@scripts/bench

setup:
	@scripts/setup

clean:
	rm -rf build
