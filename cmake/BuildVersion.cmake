# Run at every build (cmake -P): works out the build's version, so that every later build has a
# greater version under Debian's ordering, and writes what carries it. Each file is rewritten
# only when its content changes, so an unchanged version rebuilds nothing.
#
# The version is the project version, then "+git" with the date and time of the commit built
# (UTC) and the number of commits up to it: "0.6.1+git20261208.112233.187". The date comes
# first because a shallow clone (git clone --depth 1) knows its commit's date but not how many
# came before: it builds "0.6.1+git20261208.112233~shallow", which sorts after every earlier
# commit and just before a full clone of the same one. A tree with changes not committed adds
# "+dirty" and the time of its newest changed file ("...187+dirty20261208.120501"): after the
# commit it was changed from, before the next, and each further change sorts later.
#
# In: SOURCE_DIR, BINARY_DIR, PROJECT_VERSION, and the templates METAINFO_IN/METAINFO_OUT and
# CHANGELOG_IN/CHANGELOG_OUT (optional). PELKO_BUILD_NUMBER in the environment stands in for the
# commit count where the sources are no git checkout; the date is then the build's
# (SOURCE_DATE_EPOCH wins).

set(count "$ENV{PELKO_BUILD_NUMBER}")
set(date "")
set(shallow FALSE)
set(dirty "")
find_program(GIT git)
# Only a checkout of these sources counts, not a repository that happens to hold them.
set(checkout FALSE)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
    if(top STREQUAL source)
      set(checkout TRUE)
    endif()
  endif()
endif()
if(checkout)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(date "")
  endif()
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --is-shallow-repository
                  OUTPUT_VARIABLE isShallow OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(isShallow STREQUAL "true")
    set(shallow TRUE)
  elseif(count STREQUAL "")
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-list --count HEAD
                    OUTPUT_VARIABLE count OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
      set(count "")
    endif()
  endif()
  # Changed files that git tracks; the newest change dates the build among its kind.
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} diff --name-only --no-renames HEAD --
                  OUTPUT_VARIABLE changed OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND NOT changed STREQUAL "")
    set(dirty "+dirty")
    set(newest "")
    string(REPLACE "\n" ";" changed "${changed}")
    foreach(file IN LISTS changed)
      if(EXISTS "${SOURCE_DIR}/${file}" AND NOT IS_DIRECTORY "${SOURCE_DIR}/${file}")
        file(TIMESTAMP "${SOURCE_DIR}/${file}" stamp "%Y%m%d.%H%M%S" UTC)
        if(stamp STRGREATER newest)
          set(newest "${stamp}")
        endif()
      endif()
    endforeach()
    set(dirty "+dirty${newest}")
  endif()
endif()
if(date STREQUAL "")
  # A build outside a checkout dates its release by the build; SOURCE_DATE_EPOCH wins.
  string(TIMESTAMP date "%s" UTC)
endif()
execute_process(COMMAND date -u -d @${date} +%Y%m%d.%H%M%S OUTPUT_VARIABLE stamp
                OUTPUT_STRIP_TRAILING_WHITESPACE)

if(shallow)
  set(PELKO_BUILD_VERSION "${PROJECT_VERSION}+git${stamp}~shallow${dirty}")
elseif(count MATCHES "^[0-9]+$")
  set(PELKO_BUILD_VERSION "${PROJECT_VERSION}+git${stamp}.${count}${dirty}")
else()
  set(PELKO_BUILD_VERSION "${PROJECT_VERSION}")
endif()
# The release date for the metainfo, and the changelog's date in the form Debian wants.
execute_process(COMMAND date -u -d @${date} +%Y-%m-%d OUTPUT_VARIABLE PELKO_RELEASE_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND env LC_ALL=C date -u -d @${date} "+%a, %d %b %Y %H:%M:%S +0000"
                OUTPUT_VARIABLE PELKO_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)

function(write_if_changed path content)
  if(EXISTS ${path})
    file(READ ${path} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${path} "${content}")
endfunction()

write_if_changed(${BINARY_DIR}/BuildVersion.cpp
"// Made by cmake/BuildVersion.cmake at every build.
#include \"VersionInfo.h\"

QString VersionInfo::buildVersion()
{
    return QStringLiteral(\"${PELKO_BUILD_VERSION}\");
}
")
write_if_changed(${BINARY_DIR}/BuildVersion.txt "${PELKO_BUILD_VERSION}\n")

if(METAINFO_IN)
  configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)
endif()
if(CHANGELOG_IN)
  configure_file(${CHANGELOG_IN} ${CHANGELOG_OUT} @ONLY)
endif()
