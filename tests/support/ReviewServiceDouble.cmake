# SPDX-FileCopyrightText: 2026 Kudora developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The ratings service's stand-in needs no test framework: the benchmarks, which build without the
# tests, use it too.
include_guard(GLOBAL)
add_library(kudora_review_service_double INTERFACE ${CMAKE_CURRENT_LIST_DIR}/ReviewServiceDouble.h)
target_include_directories(kudora_review_service_double INTERFACE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kudora_review_service_double INTERFACE Qt6::Core Qt6::Network)
