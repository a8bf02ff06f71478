# Pieces of the application shell that stand apart from the main window, so they can be tested
# on their own: target selection (portable) and start at logon (the registry, Win32 only).
add_library(vantrel_shellbits STATIC ${CMAKE_CURRENT_LIST_DIR}/TargetSelect.cpp)
target_include_directories(vantrel_shellbits PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vantrel_shellbits PUBLIC vantrel_settings vantrel_platform)
if(WIN32)
    target_sources(vantrel_shellbits PRIVATE ${CMAKE_CURRENT_LIST_DIR}/AutoStart.cpp)
    target_link_libraries(vantrel_shellbits PUBLIC advapi32)
endif()
vantrel_warnings(vantrel_shellbits)
