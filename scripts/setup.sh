#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project.
# Safe to run again: it installs only the packages that are missing.
set -euo pipefail
# The desktop host: Qt 6 Widgets, and a virtual X server (with xauth and a
# font) for running it without a display; clang with its fuzzer runtime;
# python3 for the benchmark scripts and the check of the documents' examples;
# graphviz for the picture of a network (scripts/network-picture.sh).
packages=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev libedit-dev
          qt6-base-dev xvfb xauth fonts-dejavu-core clang libclang-rt-dev llvm python3
          graphviz)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
