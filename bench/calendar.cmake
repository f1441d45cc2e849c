# The month calendar on a 100 000-item outline shown in the window (offscreen).
add_executable(bench_calendar calendar/BenchCalendar.cpp)
target_link_libraries(bench_calendar PRIVATE wrenguibenchmain)
