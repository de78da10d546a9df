#pragma once

namespace quorvane::xml {

/// What a node-change notification reports.
enum class NodeChange { UpdateValue, InsertChild, RemoveChild, AddAttribute, RemoveAttribute };

/// The child-list operation a `ChildListNotification` surrounds.
enum class ListOperation { Insert, Remove, Create };

/// Whether a notification runs before the list changes or after.
enum class NotifyPhase { Before, After };

} // namespace quorvane::xml
