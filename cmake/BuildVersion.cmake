# Run at every build (cmake -P): works out the build's version, the project version followed by
# the number of commits ("0.6.1+git170"), so that every later build has a greater version, and
# writes what carries it. Each file is rewritten only when its content changes, so an unchanged
# version rebuilds nothing.
#
# In: SOURCE_DIR, BINARY_DIR, PROJECT_VERSION, and the templates METAINFO_IN/METAINFO_OUT and
# CHANGELOG_IN/CHANGELOG_OUT (optional). PELKO_BUILD_NUMBER in the environment stands in for the
# commit count where the sources are no git checkout.

set(count "$ENV{PELKO_BUILD_NUMBER}")
set(date "")
find_program(GIT git)
if(count STREQUAL "" AND GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-list --count HEAD
                  OUTPUT_VARIABLE count OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(count "")
  endif()
endif()
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(date "")
  endif()
endif()
if(date STREQUAL "")
  # A build outside a checkout dates its release by the build; SOURCE_DATE_EPOCH wins.
  string(TIMESTAMP date "%s" UTC)
endif()

if(count MATCHES "^[0-9]+$")
  set(PELKO_BUILD_VERSION "${PROJECT_VERSION}+git${count}")
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
