#pragma once

namespace quorvane::app {

/// Which way the list logic reads fields, searches and sorts. Each fast path
/// (fields read in the DOM by handle, the ASCII search, ICU sort keys built
/// into one buffer) keeps beside it the plain path it must agree with:
/// fields through the wrappers, `Resolve` and `NodeText`; the search through
/// the locale's upper-casing; the order through `QCollatorSortKey`. Tests
/// and fuzzing run both and compare; the program runs the fast one.
enum class ListPath { Fast, Plain };

} // namespace quorvane::app
