#!/usr/bin/env bash
# Installs the Debian packages that building, testing, fuzzing, formatting and
# benchmarking need, and the npm packages of web/ (the chart library the HTML
# report inlines and the browser test's driver) at the versions its lock file pins.
# Safe to run again: packages already present are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  clang clang-format libclang-rt-14-dev
  libpugixml-dev nlohmann-json3-dev libboost-math1.81-dev libmimalloc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  locales python3 time
  chromium
)
# Node.js and npm install the chart library; Debian's are taken only when the
# machine has none of its own.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

# A locale with a decimal comma, so the tests can show that numbers are read
# and written the same way whatever the process locale is.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  $sudo_cmd locale-gen >/dev/null
fi

# The chart library and the browser test's driver, exactly as web/package-lock.json
# pins them. npm ci runs only when they are missing or the lock file changed since.
lock_sum="$(sha256sum web/package-lock.json | cut -d' ' -f1)"
stamp=web/node_modules/.installed-lock
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$lock_sum" ]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
  echo "$lock_sum" >"$stamp"
fi
