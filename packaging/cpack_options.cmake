# Read by CPack for each package it makes. The .deb takes every file but the notices meant for
# other systems (component notices), and adds lintian's overrides (component debian).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL Unspecified debian)
else()
  # The tar.gz: games/ and share/ at its top.
  set(CPACK_PACKAGING_INSTALL_PREFIX /)
endif()
