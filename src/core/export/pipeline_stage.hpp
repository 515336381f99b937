#pragma once
// The worker threads of an export, named for fault injection in tests and for error texts.

namespace kestro {

enum class PipelineStage { decode, compose, encode };

}  // namespace kestro
