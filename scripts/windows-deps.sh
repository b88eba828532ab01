#!/usr/bin/env bash
# The libraries of the Windows build that Debian does not ship for mingw-w64,
# cross-built once from Debian 12's own source packages into
# build/windows/deps/prefix (static, x86_64):
#   libcurl   HTTP(S) only, Schannel (the system's TLS and certificate store),
#             zlib (Debian's libz-mingw-w64-dev), no CA bundle or path, no
#             libpsl, libssh2 or IDN library;
#   PCRE2     8-bit, UTF, JIT;
#   GoogleTest and GoogleMock from Debian's sources in /usr/src/googletest;
#   httplib.h the header-only cpp-httplib of its source package (test servers);
#   nlohmann  the architecture-independent headers of nlohmann-json3-dev, copied
#             so the cross build never sees the rest of /usr/include.
# The source packages come through apt's own source mechanism with a private
# source list and state folder (the system's apt configuration is only read):
# apt checks every file against the signed index, dpkg-source -x checks them
# against the .dsc and applies Debian's patches. A stamp of the versions and
# flags makes the next run reuse the build; a change of either rebuilds it.
#   bash scripts/windows-deps.sh        (make windows, make windows-check)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
deps="$root/build/windows/deps"
prefix="$deps/prefix"
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
jobs="$(nproc)"

# The versions Debian 12 ships (bookworm and its security and stable updates),
# each followed by the release version, taken when the security archive does not
# serve the update's source (as seen for pcre2 10.42-1+deb12u2).
curl_versions=(7.88.1-10+deb12u15 7.88.1-10)
pcre2_versions=(10.42-1+deb12u2 10.42-1)
httplib_versions=(0.11.4+ds-1+deb12u1 0.11.4+ds-1)

common_flags=(
  -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain"
  -DLD_WINDOWS_DEPS="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF
)
curl_flags=(
  -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON
  -DZLIB_USE_STATIC_LIBS=ON -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
  -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DCURL_DISABLE_LDAP=ON
)
pcre2_flags=(
  -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF
  -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF
  -DPCRE2_BUILD_TESTS=OFF
)
gtest_flags=(-DBUILD_GMOCK=ON -DINSTALL_GTEST=ON)

package_version() { dpkg-query -W -f='${Version}' "$1"; }

for tool in x86_64-w64-mingw32-g++-posix cmake ninja dpkg-source apt-get; do
  command -v "$tool" >/dev/null || { echo "windows-deps: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

stamp_text() {
  echo "curl ${curl_versions[*]} ${curl_flags[*]}"
  echo "pcre2 ${pcre2_versions[*]} ${pcre2_flags[*]}"
  echo "cpp-httplib ${httplib_versions[*]}"
  echo "googletest $(package_version googletest) ${gtest_flags[*]}"
  echo "nlohmann-json3-dev $(package_version nlohmann-json3-dev)"
  echo "libz-mingw-w64-dev $(package_version libz-mingw-w64-dev)"
  echo "compiler $(x86_64-w64-mingw32-g++-posix -dumpfullversion) ${common_flags[*]}"
}
stamp="$deps/stamp"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(stamp_text)" ]; then
  echo "windows-deps: reusing $prefix ($(tr '\n' ' ' <"$prefix/versions.txt"))"
  exit 0
fi

echo "windows-deps: building libcurl, PCRE2 and GoogleTest for Windows into $prefix"
rm -rf "$deps"
mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src" "$prefix/include"

# A source entry for every Debian suite the system's own apt configuration
# reads (its mirror, its suites), signed with Debian's archive key.
apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' |
  awk '$2 ~ /^bookworm(-updates|-security)?$/ && $3 == "main" { print $1, $2 }' | sort -u |
  while read -r uri suite; do
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main"
  done >"$deps/apt/sources.list"
if [ ! -s "$deps/apt/sources.list" ]; then
  echo "windows-deps: apt has no Debian 12 (bookworm) source configured" >&2
  exit 1
fi
apt_options=(
  -q -o Dir::Etc::SourceList="$deps/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o Dir::State::Lists="$deps/apt/lists" -o Dir::Cache="$deps/apt/cache"
)
if [ "$(id -u)" -eq 0 ]; then
  apt_options+=(-o APT::Sandbox::User=root)  # the private folders belong to root
fi
apt-get "${apt_options[@]}" update >"$deps/apt/update.log" 2>&1 ||
  { cat "$deps/apt/update.log" >&2; exit 1; }

# Fetches the first version of a source package that the archive serves and
# unpacks it; prints the version taken.
fetch_source() {
  local package="$1" version
  shift
  for version in "$@"; do
    if (cd "$deps/src" && apt-get "${apt_options[@]}" source --download-only "$package=$version" \
          >"$deps/src/$package-$version.log" 2>&1); then
      dpkg-source -x "$deps/src/${package}_${version#*:}.dsc" "$deps/src/$package" \
        >>"$deps/src/$package-$version.log" 2>&1 ||
        { cat "$deps/src/$package-$version.log" >&2; return 1; }
      echo "$version"
      return 0
    fi
    echo "windows-deps: $package $version is not served, trying the next version" >&2
  done
  echo "windows-deps: no version of $package could be fetched (see $deps/src/*.log)" >&2
  return 1
}
curl_version=$(fetch_source curl "${curl_versions[@]}")
pcre2_version=$(fetch_source pcre2 "${pcre2_versions[@]}")
httplib_version=$(fetch_source cpp-httplib "${httplib_versions[@]}")

# Configures, builds and installs one CMake project into the prefix.
build_project() {
  local name="$1" source="$2" started=$SECONDS
  shift 2
  cmake -S "$source" -B "$deps/build/$name" "${common_flags[@]}" "$@" \
    >"$deps/build-$name.log" 2>&1 &&
    cmake --build "$deps/build/$name" -j "$jobs" >>"$deps/build-$name.log" 2>&1 &&
    cmake --install "$deps/build/$name" >>"$deps/build-$name.log" 2>&1 ||
    { tail -40 "$deps/build-$name.log" >&2; echo "windows-deps: $name failed" >&2; return 1; }
  echo "windows-deps: $name built in $((SECONDS - started)) s"
}
# curl's configure runs one check after another for a minute or more: it runs
# beside the other two builds, which keep the second core busy.
build_project curl "$deps/src/curl" "${curl_flags[@]}" &
curl_build=$!
if ! { build_project pcre2 "$deps/src/pcre2" "${pcre2_flags[@]}" &&
       build_project googletest /usr/src/googletest "${gtest_flags[@]}"; }; then
  wait "$curl_build" || true
  exit 1
fi
wait "$curl_build"

cp "$deps/src/cpp-httplib/httplib.h" "$prefix/include/"
cp -r /usr/include/nlohmann "$prefix/include/"

# The licences of what the Windows programs carry, for the packages.
licences="$prefix/share/licences"
mkdir -p "$licences"
cp "$deps/src/curl/debian/copyright" "$licences/curl.txt"
cp "$deps/src/pcre2/debian/copyright" "$licences/pcre2.txt"
cp "$deps/src/cpp-httplib/debian/copyright" "$licences/cpp-httplib.txt"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$licences/zlib.txt"
cp /usr/share/doc/googletest/copyright "$licences/googletest.txt"
cp /usr/share/doc/nlohmann-json3-dev/copyright "$licences/nlohmann-json.txt"

cat >"$prefix/versions.txt" <<EOF
curl $curl_version
pcre2 $pcre2_version
cpp-httplib $httplib_version
googletest $(package_version googletest)
nlohmann-json3-dev $(package_version nlohmann-json3-dev)
libz-mingw-w64-dev $(package_version libz-mingw-w64-dev)
EOF
stamp_text >"$stamp"
echo "windows-deps: done ($(tr '\n' ' ' <"$prefix/versions.txt"))"
