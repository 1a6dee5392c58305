# The layers of the runner, from the bottom up. Each is a static library built
# from its folders under src/ and linked to the layer below it only, so a
# call against the layers does not link; cmake/CheckLayers.cmake makes an
# include against them fail the build. docs/architecture.md draws them.
set(QUILLON_LAYERS base platform code data input world functions presentation runner)
set(QUILLON_LAYER_base base)
set(QUILLON_LAYER_platform platform)
set(QUILLON_LAYER_code code)
set(QUILLON_LAYER_data data)
set(QUILLON_LAYER_input input)
set(QUILLON_LAYER_world world)
set(QUILLON_LAYER_functions functions)
set(QUILLON_LAYER_presentation graphics sound dialogs multiplayer)
set(QUILLON_LAYER_runner runner)
