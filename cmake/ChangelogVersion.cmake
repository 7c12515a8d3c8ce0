# The version and its date have one home: the newest entry of debian/changelog. The build
# takes both from there (project(), manual pages, AppStream release), so bumping the
# version is one `dch -v` and nothing can be left behind. Included before project().
#
# Sets KV_VERSION (1.0.1.2), KV_RELEASE_DATE (2026-12-09) and KV_RELEASE_MONTH
# (December 2026).

# kv_changelog_head_version(<head> <version var> <error var>)
# The program's version from the first line of a changelog entry: the upstream part of the
# package's version, without what Debian adds to it (the epoch, the -revision, and the
# +b1 of a binNMU, +nmu1, +deb12u1 or ~deb12u1 of a stable update, ~bpo12+1 of a
# backport), so a rebuild by the distribution keeps the program's version while the
# package's changes. The rest must be dotted numbers, which project() takes; otherwise
# the version is empty and the error says why.
function(kv_changelog_head_version head version_var error_var)
  set(version "")
  set(error "")
  if(NOT head MATCHES "^kv4410pc \\(([^ ()]+)\\) [^;]+; urgency=")
    set(error "its first line is not \"kv4410pc (VERSION) DISTRIBUTION; urgency=...\": ${head}")
  else()
    set(full ${CMAKE_MATCH_1})
    string(REGEX REPLACE "^[0-9]+:" "" upstream "${full}")
    string(REGEX REPLACE "-[^-]*$" "" upstream "${upstream}")
    set(before "")
    while(NOT upstream STREQUAL before)
      set(before "${upstream}")
      string(REGEX REPLACE "(\\+b[0-9]+|\\+nmu[0-9]+|[+~]deb[0-9]+u[0-9]+|~bpo[0-9]+\\+[0-9]+)$" ""
             upstream "${upstream}")
    endwhile()
    if(upstream MATCHES "^[0-9]+(\\.[0-9]+)*$")
      set(version ${upstream})
    else()
      set(error "the upstream part of ${full} (${upstream}) must be dotted numbers, like 1.0.1.2")
    endif()
  endif()
  set(${version_var} "${version}" PARENT_SCOPE)
  set(${error_var} "${error}" PARENT_SCOPE)
endfunction()

set(kv_changelog ${CMAKE_CURRENT_LIST_DIR}/../debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kv_changelog})
file(STRINGS ${kv_changelog} kv_changelog_lines)

list(GET kv_changelog_lines 0 kv_head)
kv_changelog_head_version("${kv_head}" KV_VERSION kv_error)
if(kv_error)
  message(FATAL_ERROR "debian/changelog: ${kv_error}")
endif()

# The entry's trailer: " -- Name <mail>  Wed, 09 Dec 2026 02:30:00 +0000".
set(kv_trailer)
foreach(line IN LISTS kv_changelog_lines)
  if(line MATCHES "^ -- ")
    set(kv_trailer "${line}")
    break()
  endif()
endforeach()
if(NOT kv_trailer MATCHES "  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "debian/changelog: no date in the newest entry's trailer: ${kv_trailer}")
endif()
set(kv_day ${CMAKE_MATCH_1})
set(kv_month_abbrev ${CMAKE_MATCH_2})
set(kv_year ${CMAKE_MATCH_3})
set(kv_months Jan January Feb February Mar March Apr April May May Jun June Jul July
              Aug August Sep September Oct October Nov November Dec December)
list(FIND kv_months ${kv_month_abbrev} kv_at)
if(kv_at LESS 0)
  message(FATAL_ERROR "debian/changelog: unknown month ${kv_month_abbrev} in: ${kv_trailer}")
endif()
math(EXPR kv_name_at "${kv_at} + 1")
math(EXPR kv_month_number "${kv_at} / 2 + 1")
list(GET kv_months ${kv_name_at} kv_month_name)
if(kv_month_number LESS 10)
  set(kv_month_number 0${kv_month_number})
endif()
set(KV_RELEASE_DATE ${kv_year}-${kv_month_number}-${kv_day})
set(KV_RELEASE_MONTH "${kv_month_name} ${kv_year}")
