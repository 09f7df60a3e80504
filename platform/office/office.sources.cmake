target_sources(kws_office PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/docbinary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/docxpackage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/officeautomation.cpp)
