# The Debian packages each command needs; sourced by run.sh and test.sh.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libcanberra-dev fonts-wqy-microhei)
TEST_PACKAGES=(python3 python3-pyftpdlib)
BENCH_PACKAGES=(libbenchmark-dev vsftpd curl lftp)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
SCREENSHOT_PACKAGES=(xvfb x11-apps imagemagick xdotool python3 python3-pyftpdlib)
