# The fault-injection test build (TAVO_FAULT_INJECTION=ON): the library's
# calls into the C library, the system and the MySQL client library are
# linked through the wrappers of tests/fault/syscall_wrappers.cpp (the linker's
# --wrap), whose names are read from that file, so that the list lives in
# one place.  Never for a library that is shipped: scripts/fault.sh makes
# this build in a directory of its own.
if(WIN32 OR APPLE)
  message(FATAL_ERROR "TAVO_FAULT_INJECTION needs the GNU linker's --wrap (a POSIX build)")
endif()
set(TAVO_FAULT_SOURCE "${TAVO_SOURCE_ROOT}/tests/fault/syscall_wrappers.cpp")
target_sources(tavo PRIVATE "${TAVO_FAULT_SOURCE}")
file(STRINGS "${TAVO_FAULT_SOURCE}" TAVO_FAULT_LINES REGEX "^(TAVO_WRAP[A-Z_]*\\(|extern \"C\" .* __wrap_)")
set(TAVO_FAULT_WRAPPED)
foreach(line IN LISTS TAVO_FAULT_LINES)
  if(line MATCHES "^TAVO_WRAP\\([^,]+, *([a-z0-9_]+)")
    list(APPEND TAVO_FAULT_WRAPPED "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^TAVO_WRAP_[A-Z]+\\(([a-z0-9_]+)\\)")
    list(APPEND TAVO_FAULT_WRAPPED "${CMAKE_MATCH_1}")
  elseif(line MATCHES "__wrap_([a-z0-9_]+)\\(")
    list(APPEND TAVO_FAULT_WRAPPED "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(REMOVE_DUPLICATES TAVO_FAULT_WRAPPED)
foreach(name IN LISTS TAVO_FAULT_WRAPPED)
  target_link_options(tavo PRIVATE "LINKER:--wrap=${name}")
endforeach()
list(LENGTH TAVO_FAULT_WRAPPED TAVO_FAULT_COUNT)
message(STATUS "Fault injection: ${TAVO_FAULT_COUNT} calls wrapped")
